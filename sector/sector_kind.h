#pragma once
// What one raw sector holds, read from its sync, mode, sub-header and the first bytes of its user
// data. Every reader of sectors starts from the same facts; each keeps its own rule for what they
// make of a sector.

#include <cstdint>
#include <span>

#include "sector/cd_sector.h"

namespace vorlix {

struct SectorFacts {
    bool mode2 = false;         // the sync, then mode byte 2
    bool copies_agree = false;  // the sub-header's two copies are the same
    // From the first sub-header copy.
    std::uint8_t channel = 0;
    bool form2 = false;
    bool audio = false;  // the sub-mode's audio bit
    bool video = false;  // the sub-mode's video bit
    // The user data begins with the STR video header's magic (0160 8001).
    bool str_magic = false;
    // The magic, a chunk index below the chunk count and a frame number from 1: a header as
    // players take it.
    bool str_header = false;
    std::uint32_t frame = 0;  // the STR header's frame number
};

// The facts of a Mode 2 sector; of any other only `mode2`, false.
SectorFacts FactsOf(SectorView sector);

enum class SectorKind : std::uint8_t {
    Video,     // Form 1 whose user data begins with the STR video sector header
    Audio,     // Form 2 with the audio bit
    Data,      // any other Mode 2 sector
    NotMode2,  // no sync, another mode, or sub-header copies that disagree
};

struct SectorLook {
    SectorKind kind = SectorKind::NotMode2;
    bool form2 = false;
    std::uint32_t frame = 0;   // Video: the STR frame number
    std::uint8_t channel = 0;  // the sub-header's channel number (0-31 on real discs)
};

// The sector as the scan takes it: a sub-header whose copies disagree is not trusted at all.
SectorLook LookAt(SectorView sector);

// The sector's user data: 2048 bytes, or 2324 in Form 2.
std::span<const std::uint8_t> UserData(SectorView sector, bool form2);

// Whether the sector's user data (2048 bytes, or 2324 in Form 2) is all zero.
bool UserDataIsZero(SectorView sector, bool form2);

}  // namespace vorlix
