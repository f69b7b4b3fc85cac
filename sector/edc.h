#pragma once
// The EDC of Mode 2 sectors: a CRC-32 over the sub-header and user data (ECMA-130 Annex A).

#include <cstdint>
#include <span>

#include "sector/cd_sector.h"

namespace vorlix {

// CRC-32/CD-ROM-EDC of `bytes`: polynomial 8001801B taken LSB first, initial 0, no final xor.
std::uint32_t Edc(std::span<const std::uint8_t> bytes);

// EDC of a Form 1 sector (bytes 010-817) and of a Form 2 sector (bytes 010-92B).
std::uint32_t Form1Edc(SectorView sector);
std::uint32_t Form2Edc(SectorView sector);

}  // namespace vorlix
