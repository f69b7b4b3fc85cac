#include "image/rip_plan.h"

#include <algorithm>

#include "base/failure.h"
#include "entries/entry_details.h"
#include "files/image_lock.h"
#include "files/sector_file.h"
#include "image/blank_substitution.h"
#include "image/sector_copy.h"

namespace vorlix {
namespace {

std::string Plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Range(std::int64_t first, std::int64_t count) {
    return count == 1
               ? "sector " + std::to_string(first)
               : "sectors " + std::to_string(first) + "-" + std::to_string(first + count - 1);
}

// What a kept rewrite writes, in words.
std::string DescribeKept(const StreamKeeping& kept) {
    if (kept.LeftAlone())
        return "nothing written: " + kept.Notes().front() + " (" + kept.refused_because + ")";
    std::vector<std::string> parts;
    if (kept.video_sectors > 0)
        parts.push_back(Plural(kept.video_sectors, "video sector", "video sectors") + " in " +
                        Plural(kept.frames, "black frame", "black frames"));
    if (kept.audio_sectors > 0)
        parts.push_back(Plural(kept.audio_sectors, "silent XA sector", "silent XA sectors"));
    if (kept.empty_sectors > 0)
        parts.push_back(Plural(kept.empty_sectors, "empty sector", "empty sectors"));
    std::string text = Plural(kept.Rewritten(), "sector", "sectors") + " rewritten in place";
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? ": " : ", ") + parts[i];
    for (const std::string& note : kept.Notes()) text += "; " + note;
    return text;
}

}  // namespace

std::string EntryName(std::size_t index, std::string_view line) {
    return "entry " + std::to_string(index + 1) + " (" + PrintableText(line) + ")";
}

std::vector<std::string> EntryNotes(std::size_t index, const StreamKeeping& kept) {
    std::vector<std::string> notes;
    for (const std::string& note : kept.Notes())
        notes.push_back("entry " + std::to_string(index + 1) + ": " + note);
    return notes;
}

std::string DescribeReplace(const ReplacePlan& plan, const std::string& source) {
    const std::int64_t s = plan.range.start, n = plan.range.count;
    const std::string zero = plan.options.valid_sectors ? " empty Mode 2 sectors" : " zero sectors";
    switch (plan.branch) {
        case ReplaceBranch::None:
            return "nothing written: " + plan.skipped_because;
        case ReplaceBranch::XA:
            return Range(s, 1) + " from " + source +
                   (n > 1 ? ", " + Range(s + 1, n - 1) +
                                (plan.options.xa_headers ? " silent XA sectors" : zero)
                          : "");
        case ReplaceBranch::ST:
            return Range(s, kStSourceSectors) + " from " + source +
                   (n > kStSourceSectors
                        ? ", " + Range(s + kStSourceSectors, n - kStSourceSectors) + zero
                        : "");
        case ReplaceBranch::DU:
            return Range(s, n) + zero;
    }
    return {};
}

std::string DescribeRip(const PlannedRip& rip, const std::filesystem::path& blanks_dir) {
    if (rip.kept) return DescribeKept(*rip.kept);
    const std::string blank =
        rip.plan.source_sectors > 0
            ? DisplayPath(BlankPath(blanks_dir, rip.labels.type_name).filename())
            : std::string();
    return DescribeReplace(rip.plan, blank);
}

std::int64_t SectorsWritten(const PlannedRip& rip) {
    return rip.kept                                 ? rip.kept->Rewritten()
           : rip.plan.branch != ReplaceBranch::None ? rip.plan.range.count
                                                    : 0;
}

void PlanRipAll(const EntryLines& lines, const std::filesystem::path& image,
                const std::filesystem::path& blanks_dir, const WriteOptions& options,
                const std::function<void(const PlannedRip&)>& visit) {
    const ImageLock lock(image, ImageAccess::Read);
    CheckImage(image);
    std::vector<std::string> checked_types;
    std::optional<SectorFile> reader;
    if (options.keep_structure) reader.emplace(image, OpenMode::ReadOnly);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PlannedRip rip{i, lines[i], LabelsOf(ShowEntryDetails(lines[i])), {}, {}};
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
            if (reader) {
                if (const std::optional<SectorRange> range = KeptRange(labels)) {
                    RequireWithinDataTrack(*range, options);
                    rip.kept = PlanStreamKeeping(*reader, *range);
                }
            }
        } catch (const Failure& f) {
            throw Failure(
                "Rip All cannot start, " + EntryName(i, lines[i]) + ": " + Sentence(f.what()),
                f.system_error());
        }
        if (visit) visit(rip);
    }
}

void CheckKeptRanges(const EntryLines& lines, const WriteOptions& options) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const EntryLabels labels = LabelsOf(ShowEntryDetails(lines[i]));
        if (!IsRippable(labels.type_name)) continue;
        try {
            if (const std::optional<SectorRange> range = KeptRange(labels)) {
                RequireWithinDataTrack(*range, options);
                RequireKeepableAddresses(*range);
            }
        } catch (const Failure& f) {
            throw Failure(
                "Rip All cannot start, " + EntryName(i, lines[i]) + ": " + Sentence(f.what()),
                f.system_error());
        }
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

RipDryRun DryRunRipAll(const EntryLines& lines, const std::filesystem::path& image,
                       const std::filesystem::path& blanks_dir, const WriteOptions& options,
                       const DiskUse& before,
                       const std::function<void(const PlannedRip&, const std::string&)>& row) {
    RipDryRun run;
    PlanRipAll(lines, image, blanks_dir, options, [&](const PlannedRip& rip) {
        AddPayoff(run.payoff, rip, before.block, before.length);
        if (row) row(rip, DescribeRip(rip, blanks_dir));
        const std::int64_t n = SectorsWritten(rip);
        if (n > 0) ++run.entries;
        run.sectors += n;
        if (rip.kept) {
            const std::vector<std::string> more = EntryNotes(rip.index, *rip.kept);
            run.notes.insert(run.notes.end(), more.begin(), more.end());
        }
    });
    return run;
}

}  // namespace vorlix
