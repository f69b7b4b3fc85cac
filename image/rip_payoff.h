#pragma once
// What a rip gives back: the bytes it blanks, and the disk space its zero runs can free as holes.

#include <cstdint>

#include "image/rip_all.h"

namespace vorlix {

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

// Adds what one planned entry blanks. `block` is the file system's block size, `length` the
// image's length in bytes.
void AddPayoff(RipPayoff& payoff, const PlannedRip& rip, std::uint64_t block, std::uint64_t length);

}  // namespace vorlix
