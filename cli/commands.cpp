#include "cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/program_directory.h"
#include "cli/progress.h"
#include "disc/covered_structures.h"
#include "disc/new_image_cue.h"
#include "entries/entry_details.h"
#include "entries/list_reader.h"
#include "entries/type_change.h"
#include "files/image_lock.h"
#include "files/overwrite_rule.h"
#include "files/sector_file.h"
#include "image/backup_restore.h"
#include "image/blank_substitution.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "image/rip_payoff.h"
#include "image/rip_to_new.h"
#include "image/sector_copy.h"

namespace vorlix::cli {

namespace {

EntryLines LoadList(const std::string& path) {
    return ReadEntryLines(ReadWholeFile(path));
}

// Reading the list and writing the image through one file would destroy the list.
void RefuseListAsImage(const Arguments& a) {
    RefuseSameFile(a.image, a.list, "list file");
}

void RequirePosition(const EntryLines& lines, std::size_t position, const std::string& list) {
    if (position == 0 || position > lines.size())
        throw Failure("There is no entry " + std::to_string(position) + " in " + DisplayPath(list) +
                      ": it holds " + std::to_string(lines.size()) +
                      (lines.size() == 1 ? " entry." : " entries."));
}

// The labels the window would show after selecting the entry at `position`.
EntryLabels SelectEntry(const Arguments& a) {
    RefuseListAsImage(a);
    const EntryLines lines = LoadList(a.list);
    RequirePosition(lines, a.position, a.list);
    return LabelsOf(ShowEntryDetails(lines[a.position - 1]));
}

// Named in a success message when IMAGE was a cue, so the user knows which file changed.
std::string WrittenTo(const Arguments& a) {
    return a.track.cue.empty() ? std::string() : " to " + DisplayPath(a.track.bin);
}

std::string Plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The type codes given on the command line, each in place of its entry's own.
void ChangeTypes(EntryLines& lines, const Arguments& a) {
    for (const auto& [position, code] : a.type_changes) {
        RequirePosition(lines, position, a.list);
        lines.Replace(position - 1, ReplaceTypeField(lines[position - 1], NormaliseTypeCode(code)));
    }
}

}  // namespace

int ListCommand(const Arguments& a, Streams s) {
    const EntryLines lines = LoadList(a.list);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const EntryDetails d = ShowEntryDetails(lines[i]);
        s.out << i + 1 << '\t' << PrintableText(d.start) << '\t' << PrintableText(d.end) << '\t'
              << d.length << '\t' << d.type_name << '\n';
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
    const std::int64_t n = RestoreEntry(SelectEntry(a), a.image, a.file, a.write);
    s.out << "Restored " << Plural(n, "sector", "sectors") << " of entry " << a.position << " from "
          << DisplayPath(a.file) << (a.track.cue.empty() ? "" : ", written") << WrittenTo(a)
          << "\n";
    return kExitOk;
}

int ReplaceCommand(const Arguments& a, Streams s) {
    const ReplacePlan plan = PlanReplace(SelectEntry(a), a.write);
    if (plan.branch == ReplaceBranch::None) {
        s.out << "Entry " << a.position << ": " << DescribeReplace(plan, a.file) << "\n";
        return kExitOk;
    }
    const std::int64_t n = RunReplace(plan, a.image, a.file);
    s.out << "Replaced entry " << a.position << ": " << Plural(n, "sector", "sectors") << " written"
          << WrittenTo(a) << " (" << DescribeReplace(plan, DisplayPath(a.file)) << ")\n";
    return kExitOk;
}

int RipCommand(const Arguments& a, Streams s) {
    RefuseListAsImage(a);
    EntryLines lines = LoadList(a.list);
    ChangeTypes(lines, a);
    const std::filesystem::path blanks =
        a.blanks ? std::filesystem::path(*a.blanks) : DefaultBlanksDirectory(ProgramDirectory());

    // A new image is refused before the image is even read.
    std::optional<NewImage> target;
    if (!a.output.empty()) {
        target = NewImageFor(a.image_named, a.output);
        CheckNewImage(*target, a.image, a.list, blanks, a.overwrite);
    }

    // Held from before the image's size is taken to the end of the walk (the walk's own lock
    // nests).
    const ImageLock lock(a.image, a.dry_run || target ? ImageAccess::Read : ImageAccess::Write);
    // A list made for another image, or from a damaged record, is told of and still ripped.
    for (const std::string& warning : EntriesCoveringStructures(lines, a.image))
        s.err << "vorlix-cli: " << warning << "\n";
    const DiskUse before = DiskUseOf(a.image);
    if (a.dry_run) {
        // Printed as planned, so that a list of millions of entries is never held as plans.
        std::string row;
        const RipDryRun run =
            DryRunRipAll(lines, a.image, blanks, a.write, before,
                         [&](const PlannedRip& rip, const std::string& words) {
                             const EntryLabels& e = rip.labels;
                             row.clear();
                             row.append(std::to_string(rip.index + 1));
                             row.append(1, '\t').append(PrintableText(e.start)).append(1, '\t');
                             row.append(PrintableText(e.end.value_or(""))).append(1, '\t');
                             row.append(e.type_name).append(1, '\t');
                             row.append(words).append(1, '\n');
                             s.out.write(row.data(), static_cast<std::streamsize>(row.size()));
                         });
        s.out << "Dry run: " << Plural(static_cast<std::int64_t>(run.entries), "entry", "entries")
              << " would be ripped, " << Plural(run.sectors, "sector", "sectors")
              << " written; nothing was written.\n";
        for (const std::string& note : run.notes) s.out << note << '\n';
        s.out << PayoffText(run.payoff, before, nullptr, a.write.valid_sectors);
        return kExitOk;
    }

    ProgressBar bar(s.err, s.err_is_terminal, lines.size());
    std::size_t done = 0;
    RipAllHooks hooks;
    hooks.select_entry = [&](std::size_t i) { return LabelsOf(ShowEntryDetails(lines[i])); };
    hooks.yield = [&] { bar.Show(++done); };
    hooks.options = [&] { return a.write; };
    hooks.fixed_options = true;
    RipAllReport report;
    std::optional<RipToNewReport> copied;
    try {
        if (target) {
            copied = RipToNewImage(lines, a.image, *target, blanks, hooks);
            report = copied->rip;
        } else {
            report = RipAll(lines, a.image, blanks, hooks);
        }
    } catch (...) {
        bar.Finish();
        throw;
    }
    bar.Finish();
    s.out << "Rip Complete\n";
    if (copied) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", copied->copy_seconds);
        s.out << "Copied " << DisplayPath(a.image) << " to " << DisplayPath(target->bin) << " in "
              << seconds << " s as "
              << (copied->way == CopyWay::Reflink ? "a reflink" : "a full copy")
              << " and ripped the copy; the original was only read.\n";
        if (target->cue)
            s.out << "Wrote " << DisplayPath(*target->cue)
                  << "; its other tracks play from the original's files.\n";
    }
    s.out << "Ripped "
          << Plural(static_cast<std::int64_t>(report.entries_ripped), "entry", "entries") << ", "
          << Plural(report.sectors_written, "sector", "sectors") << " written"
          << (target ? " to " + DisplayPath(target->bin) : WrittenTo(a)) << ".\n";
    for (const std::string& note : report.notes) s.out << note << '\n';
    const DiskUse after = DiskUseOf(target ? target->bin : std::filesystem::path(a.image));
    s.out << PayoffText(report.payoff, before, &after, a.write.valid_sectors);
    return kExitOk;
}

}  // namespace vorlix::cli
