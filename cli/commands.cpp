#include "cli/commands.h"

#include <ostream>
#include <string>
#include <vector>

#include "cli/progress.h"
#include "entries/entry_details.h"
#include "entries/list_reader.h"
#include "entries/type_change.h"
#include "image/backup_restore.h"
#include "image/blank_substitution.h"
#include "image/failure.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "image/sector_file.h"

namespace vorlix::cli {

namespace {

std::vector<std::string> LoadList(const std::string& path) {
    return ReadEntryLines(ReadWholeFile(path));
}

void RequirePosition(const std::vector<std::string>& lines, std::size_t position,
                     const std::string& list) {
    if (position == 0 || position > lines.size())
        throw Failure("There is no entry " + std::to_string(position) + " in " + DisplayPath(list) +
                      ": it holds " + std::to_string(lines.size()) +
                      (lines.size() == 1 ? " entry." : " entries."));
}

// The labels the window would show after selecting the entry at `position`.
EntryLabels SelectEntry(const Arguments& a) {
    const std::vector<std::string> lines = LoadList(a.list);
    RequirePosition(lines, a.position, a.list);
    return LabelsOf(ShowEntryDetails(lines[a.position - 1]));
}

std::string Range(std::int64_t first, std::int64_t count) {
    return count == 1
               ? "sector " + std::to_string(first)
               : "sectors " + std::to_string(first) + "-" + std::to_string(first + count - 1);
}

// What a plan writes, in words.
std::string Describe(const ReplacePlan& plan, const std::string& source) {
    const std::int64_t s = plan.range.start, n = plan.range.count;
    switch (plan.branch) {
        case ReplaceBranch::None:
            return "nothing written: " + plan.skipped_because;
        case ReplaceBranch::XA:
            return Range(s, 1) + " from " + source +
                   (n > 1 ? ", " + Range(s + 1, n - 1) +
                                (plan.options.xa_headers ? " silent XA sectors" : " zero sectors")
                          : "");
        case ReplaceBranch::ST:
            return Range(s, kStSourceSectors) + " from " + source +
                   (n > kStSourceSectors
                        ? ", " + Range(s + kStSourceSectors, n - kStSourceSectors) + " zero sectors"
                        : "");
        case ReplaceBranch::DU:
            return Range(s, n) + " zero sectors";
    }
    return {};
}

std::string Plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int ListCommand(const Arguments& a, Streams s) {
    const std::vector<std::string> lines = LoadList(a.list);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const EntryDetails d = ShowEntryDetails(lines[i]);
        s.out << i + 1 << '\t' << d.start << '\t' << d.end << '\t' << d.length << '\t'
              << d.type_name << '\n';
    }
    return kExitOk;
}

int BackupCommand(const Arguments& a, Streams s) {
    const EntryLabels labels = SelectEntry(a);
    if (!a.overwrite && NeedsOverwriteQuestion(a.file))
        throw Failure(DisplayPath(a.file) +
                      " already exists and is not empty; nothing was written (--overwrite "
                      "replaces it).");
    const std::int64_t n = BackupEntry(labels, a.image, a.file);
    s.out << "Backed up " << Plural(n, "sector", "sectors") << " of entry " << a.position << " to "
          << DisplayPath(a.file) << "\n";
    return kExitOk;
}

int RestoreCommand(const Arguments& a, Streams s) {
    const std::int64_t n = RestoreEntry(SelectEntry(a), a.image, a.file);
    s.out << "Restored " << Plural(n, "sector", "sectors") << " of entry " << a.position << " from "
          << DisplayPath(a.file) << "\n";
    return kExitOk;
}

int ReplaceCommand(const Arguments& a, Streams s) {
    const ReplacePlan plan = PlanReplace(SelectEntry(a), a.write);
    if (plan.branch == ReplaceBranch::None) {
        s.out << "Entry " << a.position << ": " << Describe(plan, a.file) << "\n";
        return kExitOk;
    }
    const std::int64_t n = RunReplace(plan, a.image, a.file);
    s.out << "Replaced entry " << a.position << ": " << Plural(n, "sector", "sectors")
          << " written (" << Describe(plan, DisplayPath(a.file)) << ")\n";
    return kExitOk;
}

int RipCommand(const Arguments& a, Streams s) {
    std::vector<std::string> lines = LoadList(a.list);
    for (const auto& [position, code] : a.type_changes) {
        RequirePosition(lines, position, a.list);
        lines[position - 1] = ReplaceTypeField(lines[position - 1], NormaliseTypeCode(code));
    }
    const std::filesystem::path blanks =
        a.blanks ? std::filesystem::path(*a.blanks) : DefaultBlanksDirectory(ProgramDirectory());

    if (a.dry_run) {
        std::size_t entries = 0;
        std::int64_t sectors = 0;
        std::vector<std::string> notes;
        for (const PlannedRip& rip : PlanRipAll(lines, a.image, blanks, a.write)) {
            const EntryDetails d = ShowEntryDetails(rip.line);
            const std::string blank = DisplayPath(BlankPath(blanks, d.type_name).filename());
            s.out << rip.index + 1 << '\t' << d.start << '\t' << d.end << '\t' << d.type_name
                  << '\t' << (rip.kept ? rip.kept->Describe() : Describe(rip.plan, blank)) << '\n';
            const std::int64_t n = rip.kept                                 ? rip.kept->Rewritten()
                                   : rip.plan.branch != ReplaceBranch::None ? rip.plan.range.count
                                                                            : 0;
            if (n > 0) ++entries;
            sectors += n;
            if (rip.kept) {
                const std::vector<std::string> more = EntryNotes(rip.index, *rip.kept);
                notes.insert(notes.end(), more.begin(), more.end());
            }
        }
        s.out << "Dry run: " << Plural(static_cast<std::int64_t>(entries), "entry", "entries")
              << " would be ripped, " << Plural(sectors, "sector", "sectors")
              << " written; nothing was written.\n";
        for (const std::string& note : notes) s.out << note << '\n';
        return kExitOk;
    }

    ProgressBar bar(s.err, s.err_is_terminal, lines.size());
    std::size_t done = 0;
    RipAllHooks hooks;
    hooks.select_entry = [&](std::size_t i) { return LabelsOf(ShowEntryDetails(lines[i])); };
    hooks.yield = [&] { bar.Show(++done); };
    hooks.options = [&] { return a.write; };
    RipAllReport report;
    try {
        report = RipAll(lines, a.image, blanks, hooks);
    } catch (...) {
        bar.Finish();
        throw;
    }
    bar.Finish();
    s.out << "Rip Complete\n"
          << "Ripped "
          << Plural(static_cast<std::int64_t>(report.entries_ripped), "entry", "entries") << ", "
          << Plural(report.sectors_written, "sector", "sectors") << " written.\n";
    for (const std::string& note : report.notes) s.out << note << '\n';
    return kExitOk;
}

}  // namespace vorlix::cli
