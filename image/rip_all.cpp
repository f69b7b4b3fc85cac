#include "image/rip_all.h"

#include <set>
#include <string>

#include "entries/entry_details.h"
#include "image/blank_substitution.h"
#include "image/failure.h"
#include "image/sector_file.h"

namespace vorlix {

namespace {

std::string EntryName(std::size_t index, const std::string& line) {
    return "entry " + std::to_string(index + 1) + " (" + line + ")";
}

}  // namespace

std::vector<std::string> EntryNotes(std::size_t index, const StreamKeeping& kept) {
    std::vector<std::string> notes;
    for (const std::string& note : kept.Notes())
        notes.push_back("entry " + std::to_string(index + 1) + ": " + note);
    return notes;
}

std::vector<PlannedRip> PlanRipAll(const std::vector<std::string>& lines,
                                   const std::filesystem::path& image,
                                   const std::filesystem::path& blanks_dir,
                                   const WriteOptions& options) {
    CheckImage(image);
    std::vector<PlannedRip> plans;
    plans.reserve(lines.size());
    std::set<std::filesystem::path> checked_blanks;
    std::optional<SectorFile> reader;
    if (options.keep_structure) reader.emplace(image, OpenMode::ReadOnly);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PlannedRip rip{i, lines[i], {}, {}};
        const EntryLabels labels = LabelsOf(ShowEntryDetails(lines[i]));
        if (!IsRippable(labels.type_name)) {
            rip.plan.skipped_because = "entries of type " + labels.type_name + " are not ripped";
            plans.push_back(std::move(rip));
            continue;
        }
        try {
            rip.plan = PlanReplace(labels, options);
            const std::filesystem::path blank = BlankPath(blanks_dir, labels.type_name);
            if (rip.plan.source_sectors > 0 && checked_blanks.insert(blank).second)
                CheckSource(rip.plan, blank);
            if (reader) {
                if (const std::optional<SectorRange> range = KeptRange(labels))
                    rip.kept = PlanStreamKeeping(*reader, *range);
            }
        } catch (const Failure& f) {
            throw Failure("Rip All cannot start, " + EntryName(i, lines[i]) + ": " + f.what(),
                          f.system_error());
        }
        plans.push_back(std::move(rip));
    }
    return plans;
}

RipAllReport RipAll(const std::vector<std::string>& lines, const std::filesystem::path& image,
                    const std::filesystem::path& blanks_dir, const RipAllHooks& hooks) {
    const auto options = [&] { return hooks.options ? hooks.options() : WriteOptions{}; };
    // The checks do not depend on the options, which are read anew for every entry.
    PlanRipAll(lines, image, blanks_dir, {});

    RipAllReport report;
    const std::size_t count = lines.size();
    for (std::size_t i = 0; i < count; ++i) {
        const EntryLabels labels = hooks.select_entry(i);
        if (hooks.yield) hooks.yield();
        if (!IsRippable(labels.type_name)) continue;
        try {
            std::optional<StreamKeeping> kept;
            const std::int64_t written = hooks.rip_entry
                                             ? hooks.rip_entry(labels)
                                             : RipEntry(labels, image, blanks_dir, options(), {},
                                                        Flush::Deferred, &kept.emplace());
            if (kept) {
                const std::vector<std::string> notes = EntryNotes(i, *kept);
                report.notes.insert(report.notes.end(), notes.begin(), notes.end());
            }
            if (written > 0) ++report.entries_ripped;
            report.sectors_written += written;
        } catch (const Failure& f) {
            // The entries before this one were ripped: make that true on disk as far as it can be.
            try {
                FlushImage(image);
            } catch (const Failure&) {
            }
            throw Failure("Rip All stopped at " + EntryName(i, lines[i]) + ": " + f.what() +
                              " The entries before it were ripped; it may be partly written; the "
                              "entries after it were not touched.",
                          f.system_error());
        }
    }
    FlushImage(image);
    return report;
}

}  // namespace vorlix
