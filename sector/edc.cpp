// CRC-32/CD-ROM-EDC, table-driven, least significant bit first, eight bytes a step (slicing by
// eight): the portable form, and the one every processor can run. Where the processor has
// carry-less multiplication, edc_folding.cpp computes the same faster.

#include <array>

#include "sector/edc.h"
#include "sector/sector_arithmetic.h"

namespace vorlix {
namespace {

constexpr std::uint32_t kEdcPolynomialReflected = 0xD8018001;

using EdcTables = std::array<std::array<std::uint32_t, 256>, 8>;

// Table k advances the CRC of a byte followed by k zero bytes.
constexpr EdcTables MakeEdcTables() {
    EdcTables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i;
        for (int bit = 0; bit < 8; ++bit) r = (r >> 1) ^ ((r & 1) ? kEdcPolynomialReflected : 0);
        t[0][i] = r;
    }
    for (std::size_t k = 1; k < t.size(); ++k)
        for (std::size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr EdcTables kEdc = MakeEdcTables();

}  // namespace

std::uint32_t arithmetic::PortableEdcUpdate(std::uint32_t crc,
                                            std::span<const std::uint8_t> bytes) {
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    for (; n >= 8; n -= 8, p += 8) {
        const std::uint32_t low = crc ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                         std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
        crc = kEdc[7][low & 0xFF] ^ kEdc[6][(low >> 8) & 0xFF] ^ kEdc[5][(low >> 16) & 0xFF] ^
              kEdc[4][low >> 24] ^ kEdc[3][p[4]] ^ kEdc[2][p[5]] ^ kEdc[1][p[6]] ^ kEdc[0][p[7]];
    }
    for (; n > 0; --n, ++p) crc = (crc >> 8) ^ kEdc[0][(crc ^ *p) & 0xFF];
    return crc;
}

std::uint32_t Edc(std::span<const std::uint8_t> bytes) {
    return arithmetic::FastSelected() ? arithmetic::FastEdc(bytes)
                                      : arithmetic::PortableEdcUpdate(0, bytes);
}

// The header (address and mode) lies outside the EDC in Mode 2; it starts at the sub-header.
std::uint32_t Form1Edc(SectorView sector) {
    return Edc(sector.subspan(kSubHeaderOffset, kForm1EdcOffset - kSubHeaderOffset));
}

std::uint32_t Form2Edc(SectorView sector) {
    return Edc(sector.subspan(kSubHeaderOffset, kForm2EdcOffset - kSubHeaderOffset));
}

}  // namespace vorlix
