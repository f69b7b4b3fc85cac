#pragma once
// The sector loops every operation shares: copying a run of sectors between two files and writing
// one filler sector many times, in batches of whole sectors.

#include <cstdint>
#include <filesystem>

#include "files/same_file.h"
#include "files/sector_file.h"

namespace vorlix {

// Sectors moved per read or write call: about 1 MiB, so memory stays bounded for any entry.
inline constexpr std::int64_t kCopyBatchSectors = 448;

// What becomes of the sectors on their way into the target.
enum class Shape {
    AsGiven,  // byte for byte; a run of zero sectors may become a hole (SectorFile::ZeroSectors)
    Valid,    // made valid at their target positions (image/valid_sectors.h); never a hole
};

// Copies sectors from[from_first + k] to to[to_first + k] for k = 0 .. count-1 in ascending order.
void CopySectors(SectorFile& from, std::int64_t from_first, SectorFile& to, std::int64_t to_first,
                 std::int64_t count, Shape shape = Shape::AsGiven);

// Writes the 2352-byte `sector` over to[first .. first + count - 1].
void WriteRepeated(SectorFile& to, std::int64_t first, std::int64_t count,
                   const std::uint8_t* sector, Shape shape = Shape::AsGiven);

}  // namespace vorlix
