// Form 1 P and Q parity with AVX2: the Horner sums of ecc.cpp taken 32 byte lanes at a time, in
// two forms: AVX2 alone, and with GFNI, which multiplies by a constant in one instruction.
//
// P: a row of the 43 columns is 86 contiguous bytes (both planes), so each row is three loads.
// Q: the diagonals are not contiguous in a row, but their anti-diagonals are: with lanes in
// reverse order (lane L is diagonal 25 - L), step s of the sweep reads the 26 words from word
// (44 s - 25) mod 1118 on, lane L holding symbol k = s - 25 + L of its diagonal. Lanes whose k is
// outside 0..42 are masked off, and only lanes still taking symbols are multiplied by alpha, so
// every lane ends with the same sums as the portable code. No lane that takes a symbol reads
// past word 1117 (the wrap the modulus asks for), save one that reads the address word, which
// counts as zero anyway.

#include "sector/sector_arithmetic.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <array>
#include <cstring>

namespace vorlix {
namespace {

constexpr unsigned kFieldPolynomial = 0x11D;

constexpr std::uint8_t Times(std::uint8_t a, std::uint8_t b) {
    unsigned product = 0, x = a;
    for (; b != 0; b >>= 1) {
        if (b & 1) product ^= x;
        x <<= 1;
        if (x & 0x100) x ^= kFieldPolynomial;
    }
    return static_cast<std::uint8_t>(product);
}

constexpr std::uint8_t Inverse(std::uint8_t a) {
    for (unsigned x = 1; x < 256; ++x)
        if (Times(a, static_cast<std::uint8_t>(x)) == 1) return static_cast<std::uint8_t>(x);
    return 0;
}

// Products of a constant with every low nibble and every high nibble, for byte shuffles; each
// table twice, once per 128-bit half of a register.
struct NibbleProducts {
    alignas(32) std::array<std::uint8_t, 32> low{};
    alignas(32) std::array<std::uint8_t, 32> high{};
};

constexpr NibbleProducts ProductsOf(std::uint8_t c) {
    NibbleProducts t;
    for (unsigned i = 0; i < 32; ++i) {
        t.low[i] = Times(c, static_cast<std::uint8_t>(i % 16));
        t.high[i] = Times(c, static_cast<std::uint8_t>(i % 16 << 4));
    }
    return t;
}

constexpr NibbleProducts kDivideByThree = ProductsOf(Inverse(3));  // 3 = 1 + alpha

// Multiplication by a constant as the 8 x 8 bit matrix of GF2P8AFFINEQB: byte 7 - i of the
// matrix selects the input bits whose parity is output bit i.
constexpr std::uint64_t MatrixOf(std::uint8_t c) {
    std::uint64_t matrix = 0;
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 8; ++j)
            if (Times(c, static_cast<std::uint8_t>(1 << j)) >> i & 1)
                matrix |= std::uint64_t{1} << (8 * (7 - i) + j);
    return matrix;
}
constexpr long long kAlphaMatrix = static_cast<long long>(MatrixOf(2));
constexpr long long kAlphaSquaredMatrix = static_cast<long long>(MatrixOf(4));

// Layout of the symbols, bytes 00C-92F of the sector (byte 2 w + p is symbol w of plane p).
constexpr std::size_t kRowBytes = 86;                           // a P row: 43 words
constexpr std::size_t kPFirst = 2 * 1032, kPSecond = 2 * 1075;  // P parity rows 24 and 25
constexpr std::size_t kQCovered = 2 * 1118;                     // words before the Q parity
constexpr std::size_t kQLaneBytes = 52;                         // 26 diagonals, both planes
constexpr std::size_t kSectorQFirst = 0x8C8, kSectorQSecond = 0x8FC;
constexpr int kQSteps = 43 + 25;  // symbol k of lane L at step k + 25 - L

// The symbols are read straight from the sector: byte 2 w + p of `symbols` (sector + 00C) is
// symbol w of plane p. Words 0 and 1, the address and mode, count as zero in Mode 2: only row 0
// of P reads them, and Q only at steps 0 and 26 (see the kernels).

// Byte offset of the first word step s reads.
constexpr std::array<std::uint16_t, kQSteps> MakeQStarts() {
    std::array<std::uint16_t, kQSteps> at{};
    for (int s = 0; s < kQSteps; ++s)
        at[s] = static_cast<std::uint16_t>(2 * (((44 * s - 25) % 1118 + 1118) % 1118));
    return at;
}
constexpr std::array<std::uint16_t, kQSteps> kQStarts = MakeQStarts();

// Masks of step s are the 64 bytes from 2 s: byte 2 s + b is lane b / 2 at symbol s + b / 2 - 25.
struct QMasks {
    alignas(32) std::array<std::uint8_t, 2 * kQSteps + 64> taking{};  // symbol in 0..42
    alignas(32) std::array<std::uint8_t, 2 * kQSteps + 64> open{};    // symbol up to 42
};
constexpr QMasks MakeQMasks() {
    QMasks m;
    for (int i = 0; i < static_cast<int>(m.open.size()); ++i) {
        const int symbol = i / 2 - 25;
        m.open[i] = symbol <= 42 ? 0xFF : 0;
        m.taking[i] = symbol >= 0 && symbol <= 42 ? 0xFF : 0;
    }
    return m;
}
constexpr QMasks kQMasks = MakeQMasks();

// Each kernel set is compiled for its instruction set alone; the caller picks one at run time.
// GCC and clang say so in pragmas of their own.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif
namespace avx2 {
#define VORLIX_ECC_GFNI 0
#include "sector/ecc_avx2_kernels.inc"
#undef VORLIX_ECC_GFNI
}  // namespace avx2
#if defined(__clang__)
#pragma clang attribute pop
#pragma clang attribute push(__attribute__((target("avx2,gfni"))), apply_to = function)
#else
#pragma GCC pop_options
#pragma GCC push_options
#pragma GCC target("avx2,gfni")
#endif
namespace gfni {
#define VORLIX_ECC_GFNI 1
#include "sector/ecc_avx2_kernels.inc"
#undef VORLIX_ECC_GFNI
}  // namespace gfni
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

static_assert(kPFirst + kRowBytes == kPSecond && kPSecond + kRowBytes == kQCovered);
static_assert(kSectorQFirst == kAddressOffset + kQCovered);
// The widest loads and stores stay inside the sector.
static_assert(kAddressOffset + kPSecond + 96 <= kRawSectorSize);
static_assert(kAddressOffset + 2 * 1117 + 64 <= kRawSectorSize);
// Only the two steps the kernels treat apart read the header, and none reads past word 1117.
constexpr bool QReadsAsPlanned() {
    for (int s = 0; s < kQSteps; ++s)
        for (int lane = 0; lane < 26; ++lane) {
            const int symbol = s - 25 + lane, word = kQStarts[s] / 2 + lane;
            if (symbol < 0 || symbol > 42) continue;
            const bool planned = (s == 0 && lane == 25) || (s == 26 && lane == 0);
            if ((word >= 1118 || word < 2) != planned) return false;
        }
    return true;
}
static_assert(QReadsAsPlanned());

bool HasGfni() {
    static const bool gfni = __builtin_cpu_supports("gfni");
    return gfni;
}

}  // namespace

void arithmetic::WriteEccAvx2(MutableSectorView sector) {
    avx2::WriteEcc(sector.data());
}
void arithmetic::WriteEccGfni(MutableSectorView sector) {
    gfni::WriteEcc(sector.data());
}
ParityHolds arithmetic::ParityHoldsAvx2(SectorView sector) {
    return avx2::CheckParity(sector.data());
}
ParityHolds arithmetic::ParityHoldsGfni(SectorView sector) {
    return gfni::CheckParity(sector.data());
}

void arithmetic::FastWriteEcc(MutableSectorView sector) {
    HasGfni() ? WriteEccGfni(sector) : WriteEccAvx2(sector);
}

ParityHolds arithmetic::FastParityHolds(SectorView sector) {
    return HasGfni() ? ParityHoldsGfni(sector) : ParityHoldsAvx2(sector);
}

}  // namespace vorlix

#else  // no such instructions: never selected, the portable code stands in

namespace vorlix {
void arithmetic::WriteEccAvx2(MutableSectorView sector) {
    PortableWriteEcc(sector);
}
void arithmetic::WriteEccGfni(MutableSectorView sector) {
    PortableWriteEcc(sector);
}
ParityHolds arithmetic::ParityHoldsAvx2(SectorView sector) {
    return PortableParityHolds(sector);
}
ParityHolds arithmetic::ParityHoldsGfni(SectorView sector) {
    return PortableParityHolds(sector);
}
void arithmetic::FastWriteEcc(MutableSectorView sector) {
    PortableWriteEcc(sector);
}
ParityHolds arithmetic::FastParityHolds(SectorView sector) {
    return PortableParityHolds(sector);
}
}  // namespace vorlix

#endif
