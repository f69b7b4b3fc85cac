#pragma once
// The error-correction code of Form 1 sectors: P and Q Reed-Solomon parity over GF(2^8)
// (ECMA-130 Annex A).

#include "sector/cd_sector.h"

namespace vorlix {

// Fills P and Q parity of a Form 1 sector whose EDC is already in place; the address and mode
// bytes count as zero, as Mode 2 requires.
void WriteEcc(MutableSectorView sector);

// Whether the P (column) and Q (diagonal) parities of a Form 1 sector hold, with the address and
// mode bytes taken as zero.
struct ParityHolds {
    bool p = false;
    bool q = false;
};
ParityHolds CheckParity(SectorView sector);

}  // namespace vorlix
