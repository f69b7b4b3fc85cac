#pragma once
// The problems a raw sector can have at its position in an image, as verify reports them.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sector/cd_sector.h"

namespace vorlix {

enum class SectorProblem {
    Empty,         // all 2352 bytes zero: no sync, no header (what a rip writes as zero sectors)
    NoSync,        // not all zero, but no sync pattern
    WrongAddress,  // the header address is not that of the sector's position (sector + 150)
    WrongMode,     // the mode byte is not 2
    SubHeader,     // the two copies of the sub-header differ
    Edc,           // Form 1 EDC, or a Form 2 EDC other than 0 ("none"), does not match
    Ecc,           // Form 1 P or Q parity does not hold
};
inline constexpr std::size_t kSectorProblemKinds = 7;

// The kind as a verify report names it, e.g. "wrong header address".
std::string_view ProblemName(SectorProblem kind);

// The problems of one sector at image position `position`, one bit (1 << kind) per kind. A sector
// without sync is only Empty or NoSync; one whose mode byte is not 2 is checked no further than
// its address; a sector past 99:59:74 has no right address.
std::uint8_t SectorProblems(SectorView sector, std::int64_t position);

}  // namespace vorlix
