#include "image/range_labels.h"

#include <algorithm>

#include "base/failure.h"
#include "entries/entry_details.h"
#include "entries/entry_range.h"

namespace vorlix {

namespace {
constexpr std::size_t kNamesShown = 4;
}  // namespace

RangeLabels::RangeLabels(std::vector<NamedRange> ranges, std::string outside)
    : ranges_(std::move(ranges)), outside_(std::move(outside)) {
    std::ranges::stable_sort(ranges_, {}, &NamedRange::first);
    std::int64_t reach = -1;
    for (const NamedRange& r : ranges_) reach_.push_back(reach = std::max(reach, r.last));
}

std::string RangeLabels::LabelOf(const SectorRun& run) const {
    const std::int64_t last = run.first + run.count - 1;
    // Ranges before `from` all end before the run begins.
    const auto from =
        static_cast<std::size_t>(std::ranges::lower_bound(reach_, run.first) - reach_.begin());
    std::vector<const std::string*> names;
    std::int64_t covered_to = run.first;  // sectors of the run before this are inside a range
    bool gap = false;
    for (std::size_t i = from; i < ranges_.size() && ranges_[i].first <= last; ++i) {
        const NamedRange& r = ranges_[i];
        if (r.last < run.first) continue;
        names.push_back(&r.name);
        if (r.first > covered_to) gap = true;
        covered_to = std::max(covered_to, r.last + 1);
    }
    if (covered_to <= last) gap = true;

    std::string label;
    const std::size_t total = names.size() + (gap ? 1 : 0);
    for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i)
        label += (label.empty() ? "" : ", ") + *names[i];
    if (total > kNamesShown)
        label += " and " + std::to_string(total - kNamesShown) + " more";
    else if (gap)
        label += (label.empty() ? "" : ", ") + outside_;
    return label;
}

std::vector<NamedRange> EntryRanges(const EntryLines& lines) {
    std::vector<NamedRange> ranges;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const EntryLabels labels = LabelsOf(ShowEntryDetails(lines[i]));
        try {
            const SectorRange range = ResolveRange(labels);
            if (range.count > 0)
                ranges.push_back(
                    {range.start, range.start + range.count - 1,
                     "entry " + std::to_string(i + 1) + " (" + labels.type_name + ")"});
        } catch (const Failure&) {
            // A line that addresses nothing labels nothing.
        }
    }
    return ranges;
}

}  // namespace vorlix
