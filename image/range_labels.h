#pragma once
// Names for ranges of sectors, so that a verify report can say what a problem falls in: the
// entries of a list, or the files of the image's file system.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "entries/list_reader.h"
#include "image/image_verify.h"

namespace vorlix {

struct NamedRange {
    std::int64_t first = 0;
    std::int64_t last = 0;  // inclusive
    std::string name;
};

// The ranges a run of sectors can be told by, looked up by position.
class RangeLabels {
public:
    RangeLabels() = default;
    // `outside` names the part of a run that no range covers ("no entry", "no file").
    RangeLabels(std::vector<NamedRange> ranges, std::string outside);

    bool empty() const { return ranges_.empty(); }

    // The names of the ranges the run overlaps, in sector order and joined by ", ", with
    // `outside` added where part of the run lies in none; at most four names, then "and N more".
    std::string LabelOf(const SectorRun& run) const;

private:
    std::vector<NamedRange> ranges_;   // by first sector
    std::vector<std::int64_t> reach_;  // the highest last sector of ranges_[0..i]
    std::string outside_;
};

// One range per entry line of a list, named "entry N (TYPE)" with N counted from 1; lines that
// name no sector range are passed over.
std::vector<NamedRange> EntryRanges(const EntryLines& lines);

}  // namespace vorlix
