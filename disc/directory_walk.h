#pragma once
// The walk over an ISO 9660 directory tree, apart from how blocks are read (the fuzz target gives
// it blocks from memory).

#include <cstdint>
#include <functional>
#include <span>

#include "disc/file_system.h"

namespace vorlix {

inline constexpr std::size_t kIsoBlockSize = 2048;

// Reads the 2048 bytes of logical block `lsn`; false when it cannot be read.
using BlockReader = std::function<bool(std::int64_t lsn, std::span<std::uint8_t, kIsoBlockSize>)>;

// Adds every regular file under the root directory (at `root_lsn`, `root_bytes` long) to
// `fs.files`, in sector order, each directory it reads to `fs.structures`, and a warning for what
// it skips: a directory larger than any real disc holds, an extent that ends past `image_sectors`,
// a record that does not fit its sector, a path too long or too deep (at most 20 of these, then
// how many more); one warning for all the directories whose extents overlap one already read
// (cycles among them). Over the whole walk the directory bytes read, the records kept and the
// sectors the files cover are capped; at a cap the walk stops and says why in `fs.cut_short` (and
// a warning).
void WalkDirectories(const BlockReader& read, std::int64_t image_sectors, std::int64_t root_lsn,
                     std::uint64_t root_bytes, FileSystem& fs);

}  // namespace vorlix
