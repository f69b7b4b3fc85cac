#include "image/write_options.h"

#include <string>

#include "base/failure.h"
#include "entries/entry_range.h"

namespace vorlix {

void RequireWithinDataTrack(const SectorRange& range, const WriteOptions& options) {
    const std::int64_t limit = options.data_track_sectors;
    if (limit < 0 || range.count <= 0 || range.start + range.count <= limit) return;
    throw Failure("Cannot write sectors " + std::to_string(range.start) + "-" +
                  std::to_string(range.start + range.count - 1) +
                  ": the data track ends at sector " + std::to_string(limit - 1) +
                  ", and the sectors after it hold the cue's other tracks; nothing was written.");
}

}  // namespace vorlix
