// Form 1 error-correction code (ECMA-130 Annex A): a Reed-Solomon product code over GF(2^8)
// that runs separately on the low and the high bytes of the 1170 16-bit words from 00C to 92F.
// P protects 43 columns of 24 words, Q protects 26 diagonals of 43 words (P parity included).
//
// Both sums of a vector are taken by Horner's rule (multiply the running sum by alpha, add the
// next symbol), eight vectors at a time in the bytes of a 64-bit word. This is the portable form;
// ecc_avx2.cpp does the same 32 bytes at a time where the processor can.

#include <array>
#include <cstring>

#include "sector/ecc.h"
#include "sector/sector_arithmetic.h"

namespace vorlix {
namespace {

constexpr unsigned kFieldPolynomial = 0x11D;  // x^8 + x^4 + x^3 + x^2 + 1, alpha = 2

struct GaloisTables {
    std::array<std::uint8_t, 512> exp{};  // doubled so that exp[log a + log b] needs no modulo
    std::array<int, 256> log{};
    std::array<std::uint8_t, 256> times_alpha{};
};

constexpr GaloisTables MakeGaloisTables() {
    GaloisTables t;
    unsigned x = 1;
    for (int i = 0; i < 255; ++i) {
        t.exp[i] = static_cast<std::uint8_t>(x);
        t.exp[i + 255] = static_cast<std::uint8_t>(x);
        t.log[x] = i;
        x <<= 1;
        if (x & 0x100) x ^= kFieldPolynomial;
    }
    for (unsigned a = 0; a < 256; ++a) {
        const unsigned doubled = a << 1;
        t.times_alpha[a] =
            static_cast<std::uint8_t>(doubled & 0x100 ? doubled ^ kFieldPolynomial : doubled);
    }
    return t;
}

constexpr GaloisTables kGf = MakeGaloisTables();

// a / 3, where 3 = 1 + alpha
std::uint8_t DivByThree(std::uint8_t a) {
    return a == 0 ? 0 : kGf.exp[kGf.log[a] + 255 - kGf.log[3]];
}

constexpr int kWords = 1170;
constexpr int kPColumns = 43, kPRows = 24;  // P vector c: words 43 r + c
constexpr int kPFirstParity = 1032, kPSecondParity = 1075;
constexpr int kQDiagonals = 26, kQLength = 43;  // Q vector d: words (44 k + 43 d) mod 1118
constexpr int kQModulus = 1118;                 // words before the Q parity
constexpr int kQFirstParity = 1118, kQSecondParity = 1144;
constexpr int kQStep = 44;
constexpr std::size_t kPlaneBytes = 2 * kWords;  // bytes 00C-92F

static_assert(kPFirstParity == kPColumns * kPRows && kPSecondParity == kPColumns * (kPRows + 1));

// Bytes 00C-92F of a sector with the address and mode (words 0 and 1) taken as zero, as Mode 2
// requires; byte 2w + p is symbol w of plane p. Word kWords and the bytes after it read as zero.
struct Symbols {
    std::array<std::uint8_t, kPlaneBytes + 8> bytes{};  // spare zero bytes: wide loads, zero word

    explicit Symbols(SectorView sector) {
        std::memcpy(bytes.data(), sector.data() + kAddressOffset, kPlaneBytes);
        std::memset(bytes.data(), 0, 4);
    }
};

// Eight symbols side by side in a 64-bit word, one per lane of 8 bits: the sums of eight vectors
// are taken at once. A word is filled and emptied the same way (memcpy for P, shifts for Q), so a
// lane always stands for the same vector.
using Lanes = std::uint64_t;

Lanes LoadLanes(const std::uint8_t* bytes) {
    Lanes v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

// Every lane multiplied by alpha: shifted left, reduced by the field polynomial where a bit fell
// out.
Lanes TimesAlpha(Lanes v) {
    const Lanes high = v & 0x8080808080808080u;
    return ((v & 0x7F7F7F7F7F7F7F7Fu) << 1) ^ ((high >> 7) * (kFieldPolynomial & 0xFF));
}

constexpr int kPByteColumns = 2 * kPColumns;          // byte column 2 c + p
constexpr int kPLaneWords = (kPByteColumns + 7) / 8;  // 11, the last one half used
constexpr int kQByteVectors = 2 * kQDiagonals;        // vector 2 d + p
constexpr int kQLaneWords = (kQByteVectors + 7) / 8;  // 7, four diagonals each
constexpr int kZeroWord = kWords;                     // a spare word that reads as zero

// Sums of the P columns over rows [0, rows): S0 = sum, S1 = sum of alpha^(rows - 1 - r) * symbol r,
// for each of the 86 byte columns (2 c + p) at once.
void PSums(const Symbols& s, int rows, std::array<std::uint8_t, 8 * kPLaneWords>& s0,
           std::array<std::uint8_t, 8 * kPLaneWords>& s1) {
    std::array<Lanes, kPLaneWords> sum0{}, sum1{};
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* row = s.bytes.data() + kPByteColumns * r;
        for (int w = 0; w < kPLaneWords; ++w) {
            const Lanes v = LoadLanes(row + 8 * w);
            sum0[w] ^= v;
            sum1[w] = TimesAlpha(sum1[w]) ^ v;
        }
    }
    std::memcpy(s0.data(), sum0.data(), s0.size());
    std::memcpy(s1.data(), sum1.data(), s1.size());
}

// Word k of Q diagonal d, k = 0 .. 44 (the last two are its parities); diagonals past the 26th
// read the zero word.
struct QWordTable {
    std::array<std::array<std::uint16_t, 4 * kQLaneWords>, kQLength + 2> word{};
};

constexpr QWordTable MakeQWordTable() {
    QWordTable t;
    for (int k = 0; k < kQLength + 2; ++k)
        for (int d = 0; d < 4 * kQLaneWords; ++d)
            t.word[k][d] = static_cast<std::uint16_t>(
                d >= kQDiagonals ? kZeroWord
                : k < kQLength   ? (kQStep * k + kQLength * d) % kQModulus
                                 : (k == kQLength ? kQFirstParity : kQSecondParity) + d);
    return t;
}

constexpr QWordTable kQWords = MakeQWordTable();

// The same over the Q diagonals: S0 and S1 over the first `length` words of each diagonal, both
// planes; index 2 d + p.
void QSums(const Symbols& s, int length, std::array<std::uint8_t, 8 * kQLaneWords>& s0,
           std::array<std::uint8_t, 8 * kQLaneWords>& s1) {
    std::array<Lanes, kQLaneWords> sum0{}, sum1{};
    const std::uint8_t* b = s.bytes.data();
    // Both planes of a word, as lanes 0 and 1; built and taken apart by shifts, as lanes are.
    const auto pair = [b](int w) { return Lanes{b[2 * w]} | Lanes{b[2 * w + 1]} << 8; };
    for (int k = 0; k < length; ++k) {
        const auto& words = kQWords.word[k];
        for (int g = 0; g < kQLaneWords; ++g) {
            const std::uint16_t* w = words.data() + 4 * g;
            const Lanes v = pair(w[0]) | pair(w[1]) << 16 | pair(w[2]) << 32 | pair(w[3]) << 48;
            sum0[g] ^= v;
            sum1[g] = TimesAlpha(sum1[g]) ^ v;
        }
    }
    for (std::size_t j = 0; j < s0.size(); ++j) {
        s0[j] = static_cast<std::uint8_t>(sum0[j / 8] >> (8 * (j % 8)));
        s1[j] = static_cast<std::uint8_t>(sum1[j / 8] >> (8 * (j % 8)));
    }
}

// Parities at positions n and n + 1 of a vector whose data sums over its first n symbols are
// (s0, s1): both sums over the whole vector become zero.
std::array<std::uint8_t, 2> Parities(std::uint8_t s0, std::uint8_t s1) {
    // In the whole vector the data weights are alpha^2 higher.
    const std::uint8_t shifted = kGf.times_alpha[kGf.times_alpha[s1]];
    const std::uint8_t first = DivByThree(s0 ^ shifted);
    return {first, static_cast<std::uint8_t>(s0 ^ first)};
}

// Whether the first n sums of both kinds are zero.
template <std::size_t N>
bool AllZero(const std::array<std::uint8_t, N>& a, const std::array<std::uint8_t, N>& b,
             std::size_t n) {
    std::uint8_t any = 0;
    for (std::size_t i = 0; i < n; ++i) any |= a[i] | b[i];
    return any == 0;
}

}  // namespace

void arithmetic::PortableWriteEcc(MutableSectorView sector) {
    Symbols s{SectorView(sector)};
    std::array<std::uint8_t, 8 * kPLaneWords> p0, p1;
    PSums(s, kPRows, p0, p1);
    for (int j = 0; j < kPByteColumns; ++j) {
        const auto [first, second] = Parities(p0[j], p1[j]);
        s.bytes[2 * kPFirstParity + j] = first;
        s.bytes[2 * kPSecondParity + j] = second;
    }
    // Q covers the P parity, so it comes second.
    std::array<std::uint8_t, 8 * kQLaneWords> q0, q1;
    QSums(s, kQLength, q0, q1);
    for (int d = 0; d < kQDiagonals; ++d) {
        for (int p = 0; p < 2; ++p) {
            const auto [first, second] = Parities(q0[2 * d + p], q1[2 * d + p]);
            s.bytes[2 * (kQFirstParity + d) + p] = first;
            s.bytes[2 * (kQSecondParity + d) + p] = second;
        }
    }
    std::memcpy(sector.data() + kPParityOffset, s.bytes.data() + 2 * kPFirstParity,
                kPParitySize + kQParitySize);
}

ParityHolds arithmetic::PortableParityHolds(SectorView sector) {
    const Symbols s(sector);
    std::array<std::uint8_t, 8 * kPLaneWords> p0, p1;
    PSums(s, kPRows + 2, p0, p1);
    std::array<std::uint8_t, 8 * kQLaneWords> q0, q1;
    QSums(s, kQLength + 2, q0, q1);
    return {AllZero(p0, p1, kPByteColumns), AllZero(q0, q1, kQByteVectors)};
}

void WriteEcc(MutableSectorView sector) {
    if (arithmetic::FastSelected())
        arithmetic::FastWriteEcc(sector);
    else
        arithmetic::PortableWriteEcc(sector);
}

ParityHolds CheckParity(SectorView sector) {
    return arithmetic::FastSelected() ? arithmetic::FastParityHolds(sector)
                                      : arithmetic::PortableParityHolds(sector);
}

static_assert(kAddressOffset + kPlaneBytes == kRawSectorSize);
static_assert(kPParityOffset == kAddressOffset + 2 * kPFirstParity);
static_assert(kQParityOffset == kAddressOffset + 2 * kQFirstParity);

}  // namespace vorlix
