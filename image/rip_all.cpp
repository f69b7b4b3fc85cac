#include "image/rip_all.h"

#include <algorithm>
#include <string>

#include "entries/entry_details.h"
#include "image/blank_substitution.h"
#include "image/failure.h"
#include "image/sector_copy.h"
#include "image/sector_file.h"

namespace vorlix {

namespace {

std::string EntryName(std::size_t index, std::string_view line) {
    return "entry " + std::to_string(index + 1) + " (" + PrintableText(line) + ")";
}

}  // namespace

void PlanRipAll(const EntryLines& lines, const std::filesystem::path& image,
                const std::filesystem::path& blanks_dir, const WriteOptions& options,
                const std::function<void(const PlannedRip&)>& visit) {
    const ImageLock lock(image, ImageAccess::Read);
    CheckImage(image);
    std::vector<std::string> checked_types;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PlannedRip rip{i, lines[i], LabelsOf(ShowEntryDetails(lines[i])), {}};
        const EntryLabels& labels = rip.labels;
        if (!IsRippable(labels.type_name)) {
            rip.plan.skipped_because = "entries of type " + labels.type_name + " are not ripped";
            if (visit) visit(rip);
            continue;
        }
        try {
            rip.plan = PlanReplace(labels, options);
            // Each blank file is checked once per type name, however many entries use it.
            if (rip.plan.source_sectors > 0 && std::find(checked_types.begin(), checked_types.end(),
                                                         labels.type_name) == checked_types.end()) {
                const std::filesystem::path blank = BlankPath(blanks_dir, labels.type_name);
                RefuseSameFile(image, blank, "blank file");
                CheckSource(rip.plan, blank);
                checked_types.push_back(labels.type_name);
            }
        } catch (const Failure& f) {
            throw Failure(
                "Rip All cannot start, " + EntryName(i, lines[i]) + ": " + Sentence(f.what()),
                f.system_error());
        }
        if (visit) visit(rip);
    }
}

std::vector<PlannedRip> PlanRipAll(const EntryLines& lines, const std::filesystem::path& image,
                                   const std::filesystem::path& blanks_dir,
                                   const WriteOptions& options) {
    std::vector<PlannedRip> plans;
    plans.reserve(lines.size());
    PlanRipAll(lines, image, blanks_dir, options,
               [&](const PlannedRip& rip) { plans.push_back(rip); });
    return plans;
}

RipAllReport RipAll(const EntryLines& lines, const std::filesystem::path& image,
                    const std::filesystem::path& blanks_dir, const RipAllHooks& hooks) {
    // One lock for the whole walk: no other VORLIX may read or write the image in between.
    const ImageLock lock(image, ImageAccess::Write);
    const auto options = [&] { return hooks.options ? hooks.options() : WriteOptions{}; };
    // The checks do not depend on the options, which are read anew for every entry.
    PlanRipAll(lines, image, blanks_dir, {}, nullptr);

    RipAllReport report;
    const std::size_t count = lines.size();
    for (std::size_t i = 0; i < count; ++i) {
        const EntryLabels labels = hooks.select_entry(i);
        if (hooks.yield) hooks.yield();
        if (!IsRippable(labels.type_name)) continue;
        try {
            const std::int64_t written = hooks.rip_entry ? hooks.rip_entry(labels)
                                                         : RipEntry(labels, image, blanks_dir,
                                                                    options(), {}, Flush::Deferred);
            if (written > 0) ++report.entries_ripped;
            report.sectors_written += written;
        } catch (const Failure& f) {
            // The entries before this one were ripped: make that true on disk as far as it can be.
            try {
                FlushImage(image);
            } catch (const Failure&) {
            }
            throw Failure("Rip All stopped at " + EntryName(i, lines[i]) + ": " +
                              Sentence(f.what()) +
                              " The entries before it were ripped; it may be partly written; the "
                              "entries after it were not touched.",
                          f.system_error());
        }
    }
    FlushImage(image);
    return report;
}

}  // namespace vorlix
