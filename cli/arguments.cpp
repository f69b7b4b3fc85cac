#include "cli/arguments.h"

#include <charconv>
#include <set>
#include <string_view>

#include "entries/number_text.h"

namespace vorlix::cli {

const char* const kUsage =
    "Usage:\n"
    "  vorlix-cli list LIST\n"
    "  vorlix-cli backup LIST IMAGE POSITION FILE [--overwrite]\n"
    "  vorlix-cli restore LIST IMAGE POSITION FILE [--valid-sectors]\n"
    "  vorlix-cli replace LIST IMAGE POSITION FILE [--no-xa-headers] [--valid-sectors]\n"
    "  vorlix-cli rip LIST IMAGE [--no-xa-headers] [--valid-sectors] [--keep-structure]\n"
    "                            [--dry-run] [--type POSITION=CODE]... [--blanks DIR]\n"
    "                            [--output NEW [--overwrite]]\n"
    "  vorlix-cli scan IMAGE [--output LIST] [--overwrite] [--explain]\n"
    "  vorlix-cli verify IMAGE [--list LIST] [--all]\n"
    "  vorlix-cli silence-audio CUE [--dry-run]\n"
    "  vorlix-cli --help | --version\n"
    "\n"
    "LIST is an entry list (*.klv, *.vlx), IMAGE a raw 2352-byte-sector image (*.bin) or\n"
    "its cue sheet (*.cue), whose track 1 must be MODE2/2352.\n"
    "POSITION counts the list's entries from 1, in list order.\n"
    "\n"
    "  list      print each entry: POSITION, START, END, LENGTH, TYPE (tab-separated, one line\n"
    "            each; a tab or line break inside a field is written as \\t or \\n)\n"
    "  backup    save the entry's sectors to FILE; an existing non-empty FILE needs --overwrite\n"
    "  restore   write the sectors saved in FILE back over the entry\n"
    "  replace   overwrite the entry from FILE: XA takes its first sector then silent XA\n"
    "            sectors, ST0/ST1/ST2 (404 sectors or more) its first 404 then zero sectors,\n"
    "            DUM becomes zero sectors (FILE is not read); other types are left alone\n"
    "  rip       replace every movie, XA and DUM entry with the blank files (in \"blanks\"\n"
    "            beside this program, else in ../share/vorlix/blanks from it), in place (back\n"
    "            the image up first), or in a copy with --output\n"
    "  scan      make the entry list from the image itself: its files by content, and the\n"
    "            movies and XA audio found by a walk over all sectors; prints the list, or\n"
    "            writes LIST (an existing non-empty LIST needs --overwrite); --explain tells\n"
    "            where each entry was found and why (on standard error when the list goes\n"
    "            to standard output)\n"
    "  verify    check every sector of IMAGE (a .bin or .cue): sync, header address, mode,\n"
    "            sub-header, EDC and ECC; print the problems by kind with their sector ranges,\n"
    "            each labelled with the LIST entry or file it falls in\n"
    "  silence-audio\n"
    "            make every audio track of CUE digital silence of the same length, as holes\n"
    "            where the file system has them; the data track is never touched\n"
    "\n"
    "  --no-xa-headers    fill XA entries with zero sectors instead of silent XA sectors\n"
    "  --dry-run          check everything and print what would be written; write nothing\n"
    "  --type P=CODE      treat entry P as type CODE for this run (the list is not changed)\n"
    "  --blanks DIR       take blank.STR and blank.XA from DIR\n"
    "  --valid-sectors    write every sector as a valid Mode 2 sector at its own address\n"
    "                     (for burning and for emulators that check sectors); no holes\n"
    "  --keep-structure   rewrite movie, XA and DUM entries in place instead: every frame black\n"
    "                     in its own size, every XA channel silent, every sector's headers kept\n"
    "  --output NEW       rip a copy of IMAGE (a reflink where the file system can) into NEW, a\n"
    "                     .bin, or a .cue with its data track beside it; IMAGE is only read\n"
    "                     (an existing non-empty NEW needs --overwrite)\n"
    "  --list LIST        label verify's ranges with the entries of LIST\n"
    "  --all              list every range verify found, not the first 20 of each kind\n"
    "\n"
    "Which rip to choose (a game's players, after each):\n"
    "  plain rip          smallest; movies end at the blank's 41st frame, XA channels are gone\n"
    "  --valid-sectors    as plain, but every sector at its own address: a drive's seek finds it\n"
    "  --keep-structure   every frame and XA channel kept, black and silent: the game plays on\n"
    "\n"
    "Exit status: 0 done (verify: no problem found), 1 refused or failed (verify: could not\n"
    "check), 2 usage error, 3 verify found problems.\n";

namespace {

std::size_t ParsePosition(const std::string& text) {
    std::size_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0)
        throw UsageError("POSITION must be a whole number from 1: \"" + text + "\"");
    return value;
}

struct CommandShape {
    std::size_t operands;           // after the command word
    std::set<std::string> options;  // allowed options
};

const CommandShape* ShapeOf(const std::string& command) {
    static const CommandShape list{1, {}};
    static const CommandShape backup{4, {"--overwrite"}};
    static const CommandShape restore{4, {"--valid-sectors"}};
    static const CommandShape replace{4, {"--no-xa-headers", "--valid-sectors"}};
    static const CommandShape rip{2,
                                  {"--no-xa-headers", "--valid-sectors", "--keep-structure",
                                   "--dry-run", "--type", "--blanks", "--output", "--overwrite"}};
    static const CommandShape verify{1, {"--list", "--all"}};
    static const CommandShape scan{1, {"--output", "--overwrite", "--explain"}};
    static const CommandShape silence{1, {"--dry-run"}};
    if (command == "list") return &list;
    if (command == "backup") return &backup;
    if (command == "restore") return &restore;
    if (command == "replace") return &replace;
    if (command == "rip") return &rip;
    if (command == "verify") return &verify;
    if (command == "scan") return &scan;
    if (command == "silence-audio") return &silence;
    return nullptr;
}

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& args) {
    Arguments a;
    for (const auto& arg : args) {
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            a.command = arg == "--version" ? "version" : "help";
            return a;
        }
    }
    if (args.empty()) throw UsageError("no command given");
    a.command = args[0];
    const CommandShape* shape = ShapeOf(a.command);
    if (!shape) throw UsageError("unknown command \"" + a.command + "\"");

    std::vector<std::string> operands;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            operands.push_back(arg);
            continue;
        }
        std::string name = arg, value;
        const auto valued = [](std::string_view n) {
            return n == "--type" || n == "--blanks" || n == "--list" || n == "--output";
        };
        const bool takes_value = valued(arg);
        if (const auto eq = arg.find('=');
            eq != std::string::npos && valued(std::string_view(arg).substr(0, eq))) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else if (takes_value) {
            // An option next is no value: "--blanks --dry-run" taken as a folder would rip for
            // real. A value that begins with "--" is given as --blanks=--name.
            if (i + 1 >= args.size() || args[i + 1].starts_with("--"))
                throw UsageError(arg + " needs a value");
            value = args[++i];
        }
        if (!shape->options.count(name))
            throw UsageError("option " + name + " does not go with " + a.command);
        if (name == "--overwrite") a.overwrite = true;
        if (name == "--no-xa-headers") a.write.xa_headers = false;
        if (name == "--dry-run") a.dry_run = true;
        if (name == "--keep-structure") a.write.keep_structure = true;
        if (name == "--blanks") a.blanks = value;
        if (name == "--valid-sectors") a.write.valid_sectors = true;
        if (name == "--list") a.list = value;
        if (name == "--all") a.all = true;
        if (name == "--output") a.output = value;
        if (name == "--explain") a.explain = true;
        if (name == "--type") {
            const auto eq = value.find('=');
            if (eq == std::string::npos) throw UsageError("--type takes POSITION=CODE");
            // A type name such as TIM would read as code 0 (a movie) and be ripped as one.
            if (!HasLeadingNumber(std::string_view(value).substr(eq + 1)))
                throw UsageError("--type takes a number as CODE: \"" + value.substr(eq + 1) + "\"");
            a.type_changes.emplace_back(ParsePosition(value.substr(0, eq)), value.substr(eq + 1));
        }
    }
    if (operands.size() != shape->operands)
        throw UsageError(a.command + " takes " + std::to_string(shape->operands) +
                         (shape->operands == 1 ? " operand" : " operands") + ", not " +
                         std::to_string(operands.size()));
    if (a.command == "scan" || a.command == "verify" || a.command == "silence-audio") {
        a.image = operands[0];
        return a;
    }
    a.list = operands[0];
    if (operands.size() > 1) a.image = operands[1];
    if (operands.size() > 2) a.position = ParsePosition(operands[2]);
    if (operands.size() > 3) a.file = operands[3];
    return a;
}

}  // namespace vorlix::cli
