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

// Slicing by 8: table k advances a byte through k further zero bytes, so eight bytes take eight
// independent lookups. Every sector a rip seals passes through here.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeSlicingTables() {
    std::array<std::array<std::uint32_t, 256>, 8> t{};
    t[0] = kEdcTable;
    for (int k = 1; k < 8; ++k)
        for (int i = 0; i < 256; ++i) t[k][i] = (t[k - 1][i] >> 8) ^ kEdcTable[t[k - 1][i] & 0xFF];
    return t;
}

constexpr std::array<std::array<std::uint32_t, 256>, 8> kSlices = MakeSlicingTables();

}  // namespace

std::uint32_t Edc(std::span<const std::uint8_t> bytes) {
    std::uint32_t crc = 0;
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; n -= 8, p += 8) {
        const std::uint32_t lo = crc ^ (p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24);
        crc = kSlices[7][lo & 0xFF] ^ kSlices[6][(lo >> 8) & 0xFF] ^ kSlices[5][(lo >> 16) & 0xFF] ^
              kSlices[4][lo >> 24] ^ kSlices[3][p[4]] ^ kSlices[2][p[5]] ^ kSlices[1][p[6]] ^
              kSlices[0][p[7]];
    }
    for (; n > 0; --n, ++p) crc = (crc >> 8) ^ kEdcTable[(crc ^ *p) & 0xFF];
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
