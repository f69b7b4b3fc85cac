#pragma once
// Raw-sector geometry of an image: 2352-byte sectors, sector s at byte s * 2352, no header.

#include <cstddef>
#include <cstdint>

namespace vorlix {

inline constexpr std::size_t kRawSectorSize = 2352;

// Byte offsets into images are kept within the signed 32-bit range that images of this kind have
// always been addressed by: the last sector whose offset fits is 913,045. This bounds what an
// entry may address at all. The lower kLastCdAddressedSector (sector/cd_sector.h, 449,849) is the
// last sector a CD address can name, and so the last a valid sector can be written to.
inline constexpr std::int64_t kLastAddressableSector = 913045;

constexpr std::int64_t SectorOffset(std::int64_t sector) {
    return sector * static_cast<std::int64_t>(kRawSectorSize);
}

}  // namespace vorlix
