// Fuzzes the real vorlix-cli from outside, as scripts and users call it: random and mutated lists,
// images, blank files and command lines. With $VORLIX_FUZZ_DISC naming a test disc's directory,
// half the images are slices of its data track (real movie, XA and file sectors) with a few bytes
// damaged, listed half the time by vorlix-cli scan itself, so that scan's lists drive the rips. For
// every run: no death by signal, no hang, exit status 0, 1 or 2 only, one line on standard error
// for a refusal; on 1 or 2 no file changed; on 0 only the sectors the core meant to write changed:
// for rip those its own dry run planned, for restore and replace the entry's sectors, for list and
// backup none. The list and the blank files are never written, and no temporary file is left
// behind.
//
//   cli_fuzz <vorlix-cli> <work dir> <seconds> [seed]
//
// Kept rips say how many sectors of an entry they rewrite, not which: the entry's whole range is
// their plan.

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "entries/entry_details.h"
#include "entries/entry_range.h"
#include "entries/list_reader.h"
#include "entries/number_text.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;
constexpr std::size_t kSector = 2352;

Bytes Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << b;
}

class Fuzzer {
public:
    Fuzzer(std::string cli, fs::path work, std::uint64_t seed)
        : cli_(std::move(cli)), work_(std::move(work)), random_(seed) {
        if (const char* disc = std::getenv("VORLIX_FUZZ_DISC"))
            disc_ = Read(fs::path(disc) / "Test Disc (Track 1).bin");
    }

    // One case: fresh files, one command, its checks. Returns false on a broken invariant.
    bool RunCase();
    std::size_t runs() const { return runs_; }
    // Entries a kept rip planned to rewrite, over all runs: whether kept rips got to work at all.
    std::size_t kept_entries() const { return kept_entries_; }
    // "rip 0: 310, rip 1: 52, ...": how the runs ended, by command.
    std::string Outcomes() const {
        std::string text;
        for (const auto& [what, n] : outcomes_)
            text += (text.empty() ? "" : ", ") + what + ": " + std::to_string(n);
        return text;
    }

private:
    std::size_t Pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    bool Chance(int percent) { return Pick(100) < static_cast<std::size_t>(percent); }

    std::string Number();
    std::string Line();
    Bytes ListBytes();
    Bytes Mutate(Bytes b);
    Bytes SectorFile(std::size_t sectors);
    Bytes DiscSlice(std::size_t sectors);
    Bytes ScannedList();
    std::string PathFor(const char* role);
    std::vector<std::string> Arguments();

    bool Fail(const std::vector<std::string>& args, const std::string& why,
              const vorlix::test::ProcessOutcome& r);
    std::map<std::string, Bytes> Snapshot();
    std::string Leftovers();
    // Sectors [first, last] the core may write for this command, from its own output.
    bool AllowedSectors(const std::vector<std::string>& args,
                        std::vector<std::pair<long long, long long>>& ranges, bool& any_write);

    std::string cli_;
    fs::path work_;
    std::mt19937_64 random_;
    std::size_t runs_ = 0;
    std::size_t kept_entries_ = 0;
    std::map<std::string, std::size_t> outcomes_;
    std::size_t entries_ = 0;
    std::size_t image_sectors_ = 0;
    Bytes disc_;  // the test disc's data track, or empty
};

std::string Fuzzer::Number() {
    static const char* const odd[] = {"",    "x",    "-5",         "1.5",    "&H10",  "&HFFFF",
                                      "1e3", " 7",   "913045",     "913046", "1e400", "-0",
                                      "0",   "&O17", "4294967296", "0x10",   "1 2",   "."};
    if (Chance(15)) return odd[Pick(std::size(odd))];
    return std::to_string(Pick(image_sectors_ + 40));
}

std::string Fuzzer::Line() {
    static const char* const types[] = {"0",  "1",  "2",   "10", "20",  "30", "31", "32",
                                        "40", "99", "010", "1a", "TIM", "",   "-1", "3"};
    if (Chance(5)) return Number();
    const std::string start = Number();
    std::string end;
    if (Chance(85) && !start.empty() && std::isdigit(static_cast<unsigned char>(start[0]))) {
        // Mostly a sensible length, sometimes long enough for a movie.
        const std::size_t s = std::stoull(start.substr(0, 9));
        end = std::to_string(s + (Chance(30) ? 404 + Pick(30) : Pick(20)) - (Chance(5) ? 3 : 0));
    } else {
        end = Number();
    }
    std::string line = start + ":" + end + ":" + types[Pick(std::size(types))];
    if (Chance(3)) line += ":" + Number();
    return line;
}

Bytes Fuzzer::Mutate(Bytes b) {
    const std::size_t edits = Pick(4);
    for (std::size_t i = 0; i < edits && !b.empty(); ++i) {
        const std::size_t at = Pick(b.size());
        switch (Pick(4)) {
            case 0:
                b[at] = static_cast<char>(Pick(256));
                break;
            case 1:
                b.erase(at, 1 + Pick(4));
                break;
            case 2:
                b.insert(at, 1, "\r\n:.0\x00\xff"[Pick(7)]);
                break;
            default:
                b.insert(at, b.substr(Pick(b.size()), Pick(12)));
                break;
        }
    }
    return b;
}

Bytes Fuzzer::ListBytes() {
    entries_ = Pick(12);
    Bytes text = Chance(95) ? "KLV header\r\n" : "";
    for (std::size_t i = 0; i < entries_; ++i) text += Line() + (Chance(97) ? "\r\n" : "\n");
    if (Chance(90)) text += ".\r\n";
    if (Chance(10)) text += "9:9:99\r\ntrailing\r\n";
    return Chance(30) ? Mutate(text) : text;
}

Bytes Fuzzer::SectorFile(std::size_t sectors) {
    // Each sector tells which file and which sector it is by its first bytes.
    Bytes sector(kSector, static_cast<char>(1 + Pick(250)));
    Bytes b;
    b.reserve(sectors * kSector + kSector);
    for (std::size_t i = 0; i < sectors; ++i) {
        sector[0] = static_cast<char>(i);
        sector[1] = static_cast<char>(i >> 8);
        b += sector;
    }
    if (Chance(10)) b += sector.substr(0, Pick(kSector));
    return b;
}

Bytes Fuzzer::DiscSlice(std::size_t sectors) {
    const std::size_t total = disc_.size() / kSector;
    sectors = std::min(sectors, total);
    Bytes b = disc_.substr(Pick(total - sectors + 1) * kSector, sectors * kSector);
    for (std::size_t i = Pick(9); i > 0 && !b.empty(); --i)
        b[Pick(b.size())] = static_cast<char>(Pick(256));
    return b;
}

// The list vorlix-cli scan makes of game.bin, sometimes mutated; empty when it makes none.
Bytes Fuzzer::ScannedList() {
    const fs::path list = work_ / "scanned.klv";
    const auto r = vorlix::test::RunProcess(
        cli_, {"scan", (work_ / "game.bin").string(), "--output", list.string()}, {});
    if (!r.exited || r.status != 0) return {};
    Bytes text = Read(list);
    fs::remove(list);
    return Chance(20) ? Mutate(text) : text;
}

std::string Fuzzer::PathFor(const char* role) {
    const std::string r = role;
    if (Chance(85)) {
        if (r == "image") return (work_ / "game.bin").string();
        if (r == "list") return (work_ / "game.klv").string();
        if (r == "file")
            return (work_ / (Chance(40)   ? "source.bin"
                             : Chance(50) ? "entry.bak"
                                          : "new.bak"))
                .string();
    }
    static const char* const other[] = {"game.klv",       "game.bin",      "missing",
                                        "fifo",           "link-to-image", "blanks/blank.STR",
                                        "blanks",         "entry.bak",     "source.bin",
                                        "link-to-backup", "new\nline"};
    return (work_ / other[Pick(std::size(other))]).string();
}

std::vector<std::string> Fuzzer::Arguments() {
    static const char* const commands[] = {"list", "backup", "restore", "replace",
                                           "rip",  "rip",    "rip"};
    std::vector<std::string> args;
    const std::string command = Chance(2) ? "frob" : commands[Pick(std::size(commands))];
    args.push_back(command);
    args.push_back(PathFor("list"));
    if (command != "list") args.push_back(PathFor("image"));
    if (command == "backup" || command == "restore" || command == "replace") {
        args.push_back(Chance(90) ? std::to_string(1 + Pick(entries_ + 1)) : Number());
        args.push_back(PathFor("file"));
    }
    static const std::map<std::string, std::vector<const char*>> fitting = {
        {"list", {}},
        {"backup", {"--overwrite"}},
        {"restore", {}},
        {"replace", {"--no-xa-headers"}},
        {"rip",
         {"--no-xa-headers", "--dry-run", "--type", "--blanks", "--keep-structure",
          "--valid-sectors"}},
        {"frob", {}}};
    static const char* const any[] = {"--overwrite", "--no-xa-headers", "--dry-run", "--type",
                                      "--blanks",    "--bogus",         "--help"};
    const std::vector<const char*>& own = fitting.at(command);
    const std::size_t count = Chance(70) ? Pick(4) : 0;
    for (std::size_t i = 0; i < count; ++i) {
        // Mostly options that go with the command, so that most runs get past the parser.
        const std::string option =
            own.empty() || Chance(8) ? any[Pick(std::size(any))] : own[Pick(own.size())];
        if (option == "--help" && !Chance(20)) continue;
        args.push_back(option);
        if (option == "--type") {
            static const char* const codes[] = {"0",  "1",   "2", "10", "99",
                                                "40", "TIM", "",  "7x", "&H63"};
            if (!Chance(3))
                args.push_back(std::to_string(Pick(entries_ + 2)) + "=" +
                               codes[Pick(std::size(codes))]);
        } else if (option == "--blanks" && !Chance(3)) {
            args.push_back((work_ / (Chance(90) ? "blanks" : "missing")).string());
        }
    }
    if (Chance(3) && args.size() > 1) args.erase(args.begin() + 1 + Pick(args.size() - 1));
    return args;
}

std::map<std::string, Bytes> Fuzzer::Snapshot() {
    std::map<std::string, Bytes> files;
    for (const auto& e : fs::recursive_directory_iterator(work_)) {
        struct stat st {};
        if (::lstat(e.path().c_str(), &st) == 0 && S_ISREG(st.st_mode))
            files[e.path().string()] = Read(e.path());
    }
    return files;
}

std::string Fuzzer::Leftovers() {
    std::string names;
    for (const auto& e : fs::recursive_directory_iterator(work_))
        if (e.path().filename().string().find(".vorlix-") != std::string::npos)
            names += e.path().string() + " ";
    return names;
}

bool Fuzzer::Fail(const std::vector<std::string>& args, const std::string& why,
                  const vorlix::test::ProcessOutcome& r) {
    std::fprintf(stderr, "cli_fuzz: %s\n  command:", why.c_str());
    for (const auto& a : args) std::fprintf(stderr, " '%s'", a.c_str());
    std::fprintf(stderr, "\n  exit %d, signal %d, timed out %d\n  stderr: %s\n", r.status, r.signal,
                 r.timed_out ? 1 : 0, r.err.c_str());
    const fs::path keep = work_.parent_path() / "failed-case";
    fs::remove_all(keep);
    fs::create_directories(keep);
    for (const auto& e : fs::recursive_directory_iterator(work_)) {
        const fs::path to = keep / fs::relative(e.path(), work_);
        std::error_code ec;
        if (e.is_directory(ec))
            fs::create_directories(to, ec);
        else if (e.is_symlink(ec) || e.is_regular_file(ec))
            fs::copy(e.path(), to, fs::copy_options::copy_symlinks, ec);
    }
    std::fprintf(stderr, "  files kept in %s\n", keep.c_str());
    return false;
}

bool Fuzzer::AllowedSectors(const std::vector<std::string>& args,
                            std::vector<std::pair<long long, long long>>& ranges, bool& any_write) {
    const std::string& command = args[0];
    any_write = command == "restore" || command == "replace" || command == "rip";
    if (!any_write) return true;
    if (command == "rip") {
        // The core's own plan: the same command as a dry run.
        std::vector<std::string> dry = args;
        dry.push_back("--dry-run");
        const auto plan = vorlix::test::RunProcess(cli_, dry, {});
        if (!plan.exited || plan.status != 0) return false;
        // Read when a kept row needs it: only then has the dry run read args[1] as the list (with
        // --help it reads nothing, and a FIFO would block the read).
        std::optional<vorlix::EntryLines> entries;
        static const std::regex range("sectors? ([0-9]+)(-([0-9]+))?");
        std::istringstream lines(plan.out);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t tab = line.rfind('\t');
            if (tab == std::string::npos || line.compare(tab + 1, 15, "nothing written") == 0)
                continue;
            const std::string what = line.substr(tab + 1);
            if (what.find("rewritten in place") != std::string::npos) {
                // The entry's whole range, as the core reads the entry at the row's position.
                std::error_code ec;
                if (!entries && fs::is_regular_file(args[1], ec))
                    entries = vorlix::ReadEntryLines(Read(args[1]));
                const std::size_t position = std::strtoull(line.c_str(), nullptr, 10);
                if (!entries || position == 0 || position > entries->size()) return false;
                const vorlix::SectorRange r = vorlix::ResolveRange(
                    vorlix::LabelsOf(vorlix::ShowEntryDetails((*entries)[position - 1])));
                ranges.push_back({r.start, r.start + r.count - 1});
                ++kept_entries_;
            }
            for (std::sregex_iterator m(what.begin(), what.end(), range), end; m != end; ++m) {
                const long long a = std::stoll((*m)[1]);
                ranges.push_back({a, (*m)[3].matched ? std::stoll((*m)[3]) : a});
            }
        }
        return true;
    }
    // Restore and replace write inside the entry, as the core reads it from the list.
    struct stat st {};
    if (::stat(args[1].c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const vorlix::EntryLines lines = vorlix::ReadEntryLines(Read(args[1]));
    const std::size_t position = std::strtoull(args[3].c_str(), nullptr, 10);
    if (position == 0 || position > lines.size()) return false;
    const vorlix::EntryDetails d = vorlix::ShowEntryDetails(lines[position - 1]);
    const double start = vorlix::NumberFromText(d.start);
    const double length = vorlix::NumberFromText(d.length);
    if (!(start >= 0 && start < 1e7 && length < 1e7)) return false;
    ranges.push_back({static_cast<long long>(start), static_cast<long long>(start + length - 1)});
    return true;
}

bool Fuzzer::RunCase() {
    fs::remove_all(work_);
    fs::create_directories(work_ / "blanks");
    image_sectors_ = Chance(5) ? 0 : 1 + Pick(600);
    const bool real = !disc_.empty() && Chance(50);
    Write(work_ / "game.bin", real ? DiscSlice(image_sectors_) : SectorFile(image_sectors_));
    Bytes list = real && Chance(50) ? ScannedList() : Bytes();
    if (list.empty())
        list = ListBytes();
    else
        entries_ = vorlix::ReadEntryLines(list).size();
    Write(work_ / "game.klv", list);
    Write(work_ / "blanks" / "blank.STR", SectorFile(Chance(90) ? 404 : Pick(404)));
    Write(work_ / "blanks" / "blank.XA", SectorFile(Chance(90) ? 1 : 0));
    Write(work_ / "source.bin", SectorFile(Pick(500)));
    if (Chance(50)) Write(work_ / "entry.bak", SectorFile(Pick(30)));
    ::mkfifo((work_ / "fifo").c_str(), 0600);
    fs::create_symlink("game.bin", work_ / "link-to-image");
    fs::create_symlink("entry.bak", work_ / "link-to-backup");

    const std::vector<std::string> args = Arguments();
    std::vector<std::pair<long long, long long>> allowed;
    bool writes = false;
    const bool planned = AllowedSectors(args, allowed, writes);
    const auto before = Snapshot();
    // The file the command takes as the image, through any link.
    std::error_code ec;
    const fs::path image = args.size() > 2 ? fs::weakly_canonical(args[2], ec) : fs::path();

    vorlix::test::ProcessSetup setup;
    setup.seconds = 10;
    const auto r = vorlix::test::RunProcess(cli_, args, setup);
    ++runs_;
    ++outcomes_[args[0] + " " + std::to_string(r.status)];
    if (r.timed_out) return Fail(args, "hung", r);
    if (!r.exited) return Fail(args, "ended by a signal", r);
    if (r.status < 0 || r.status > 2) return Fail(args, "an exit status other than 0, 1, 2", r);
    if (r.status == 1 && (r.err.empty() || r.err.find('\n') != r.err.size() - 1))
        return Fail(args, "a refusal that is not one line", r);
    if (const std::string left = Leftovers(); !left.empty())
        return Fail(args, "temporary files left: " + left, r);

    const auto after = Snapshot();
    const bool dry = std::find(args.begin(), args.end(), "--dry-run") != args.end() ||
                     std::find(args.begin(), args.end(), "--help") != args.end();
    for (const auto& [path, bytes] : before) {
        const auto now = after.find(path);
        const bool is_image = !image.empty() && fs::weakly_canonical(path, ec) == image;
        const bool is_backup = r.status == 0 && args[0] == "backup" && args.size() > 4 &&
                               fs::weakly_canonical(args[4], ec) == fs::weakly_canonical(path, ec);
        if (is_backup) continue;
        if (now == after.end()) return Fail(args, path + " was removed", r);
        if (now->second == bytes) continue;
        if (!is_image || r.status != 0 || !writes || dry) return Fail(args, path + " changed", r);
        if (!planned) return Fail(args, "the image changed where no plan was made", r);
        // Only the planned sectors differ; the image grows only up to a planned sector's end.
        const Bytes& old = bytes;
        const Bytes& cur = now->second;
        long long reach = static_cast<long long>(old.size());
        for (const auto& [a, b] : allowed)
            reach = std::max(reach, (b + 1) * static_cast<long long>(kSector));
        if (static_cast<long long>(cur.size()) > reach || cur.size() < old.size())
            return Fail(args, "the image's size changed beyond the plan", r);
        for (std::size_t i = 0; i < cur.size(); ++i) {
            const char was = i < old.size() ? old[i] : '\0';
            if (cur[i] == was) continue;
            const long long sector = static_cast<long long>(i / kSector);
            bool inside = false;
            for (const auto& [a, b] : allowed) inside = inside || (sector >= a && sector <= b);
            if (!inside)
                return Fail(args, "sector " + std::to_string(sector) + " changed outside the plan",
                            r);
        }
    }
    for (const auto& [path, bytes] : after)
        if (!before.count(path) &&
            !(r.status == 0 && args[0] == "backup" && args.size() > 4 &&
              fs::weakly_canonical(args[4], ec) == fs::weakly_canonical(path, ec)))
            return Fail(args, path + " appeared", r);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: cli_fuzz <vorlix-cli> <work dir> <seconds> [seed]\n");
        return 2;
    }
    const double seconds = std::atof(argv[3]);
    const std::uint64_t seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10)
                                        : static_cast<std::uint64_t>(std::time(nullptr));
    Fuzzer fuzzer(argv[1], fs::path(argv[2]) / "case", seed);
    const std::time_t start = std::time(nullptr);
    while (std::difftime(std::time(nullptr), start) < seconds) {
        if (!fuzzer.RunCase()) {
            std::fprintf(stderr, "cli_fuzz: seed %llu, case %zu\n",
                         static_cast<unsigned long long>(seed), fuzzer.runs());
            return 1;
        }
    }
    std::printf(
        "%zu command lines in %g s, seed %llu (command and exit: %s; kept entries planned: %zu)\n",
        fuzzer.runs(), seconds, static_cast<unsigned long long>(seed), fuzzer.Outcomes().c_str(),
        fuzzer.kept_entries());
    return 0;
}
