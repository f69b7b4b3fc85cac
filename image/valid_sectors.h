#pragma once
// Write Valid Sectors: what a sector becomes on its way into the image so that it is a valid
// Mode 2 sector at the position it is written to.

#include <cstdint>

#include "entries/entry_range.h"
#include "sector/cd_sector.h"

namespace vorlix {

// A sector copied from a file (a blank file, a Replace source, a backup), about to be written at
// image sector `position`: when it carries the sync pattern it gets the header address of
// `position` (Mode 2 EDC and ECC leave the address out, so they need no change); a sector without
// the sync pattern is written as it is.
void ReaddressCopiedSector(MutableSectorView sector, std::int64_t position);

// A filler sector about to be written at `position`: an all-zero sector becomes an empty Mode 2
// sector (sync, the address, mode 2, zero sub-header and data, whose EDC and ECC are zero); one
// with the sync pattern gets the address of `position`.
void MakeFillerValidAt(MutableSectorView sector, std::int64_t position);

// A silent XA sector (sub-header of the XA sector prefix, sound groups of silence) with its EDC,
// addressed as sector `position`: the XA filler sector under Write Valid Sectors, and blank.XA.
RawSector SilentXaSector(std::int64_t position);

// Refuses, before anything is written, a range whose last sector has no CD address (past
// 99:59:74) when valid sectors are to be written there.
void RequireCdAddresses(const SectorRange& range);

}  // namespace vorlix
