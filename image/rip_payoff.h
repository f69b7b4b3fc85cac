#pragma once
// What a rip gives back: the bytes it blanks, and the disk space its zero runs can free as holes.

#include <cstdint>
#include <string>

namespace vorlix {

struct DiskUse;
struct PlannedRip;

struct RipPayoff {
    // Bytes of the filler sectors the plans write (zero sectors, silent XA filler, or under Write
    // Valid Sectors empty Mode 2 sectors): everything not taken from a blank file.
    std::int64_t blank_bytes = 0;
    // Of those, the holes of the zero runs (HoleIn): the most they can give back. 0 under Write
    // Valid Sectors, which writes no zero sectors.
    std::int64_t hole_bytes = 0;
    // The end of the furthest sector the plans write: an image shorter than that grows to it.
    std::int64_t end_bytes = 0;
};

// The bytes the rip of one entry leaves blank: the filler sectors of a plain plan, every sector a
// kept rewrite writes.
std::int64_t BlankBytes(const PlannedRip& rip);

// Adds what one planned entry blanks. `block` is the file system's block size, `length` the
// image's length in bytes.
void AddPayoff(RipPayoff& payoff, const PlannedRip& rip, std::uint64_t block, std::uint64_t length);

// The line that ends a rip's summary, newline included: what is blank and the disk space given
// back. `before` is the image as it sat on the disk before the rip, `after` as it sits after it;
// without `after`, what a dry run's payoff would blank and could give back.
std::string PayoffText(const RipPayoff& payoff, const DiskUse& before, const DiskUse* after,
                       bool valid_sectors);

}  // namespace vorlix
