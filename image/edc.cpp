// CRC-32/CD-ROM-EDC, table-driven, least significant bit first.

#include <array>

#include "image/cd_sector.h"

namespace vorlix {
namespace {

constexpr std::uint32_t kEdcPolynomialReflected = 0xD8018001;

constexpr std::array<std::uint32_t, 256> MakeEdcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r >> 1) ^ ((r & 1) ? kEdcPolynomialReflected : 0);
        table[i] = r;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kEdcTable = MakeEdcTable();

}  // namespace

std::uint32_t Edc(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0;
    for (std::uint8_t b : bytes) crc = (crc >> 8) ^ kEdcTable[(crc ^ b) & 0xFF];
    return crc;
}

// The header (address and mode) lies outside the EDC in Mode 2; it starts at the sub-header.
std::uint32_t Form1Edc(SectorView sector) {
    return Edc(sector.subspan(kSubHeaderOffset, kForm1EdcOffset - kSubHeaderOffset));
}

std::uint32_t Form2Edc(SectorView sector) {
    return Edc(sector.subspan(kSubHeaderOffset, kForm2EdcOffset - kSubHeaderOffset));
}

}  // namespace vorlix
