// Form 1 error-correction code (ECMA-130 Annex A): a Reed-Solomon product code over GF(2^8)
// that runs separately on the low and the high bytes of the 1170 16-bit words from 00C to 92F.
// P protects 43 columns of 24 words, Q protects 26 diagonals of 43 words (P parity included).

#include <array>

#include "image/cd_sector.h"

namespace vorlix {
namespace {

constexpr unsigned kFieldPolynomial = 0x11D;  // x^8 + x^4 + x^3 + x^2 + 1, alpha = 2

struct GaloisTables {
    std::array<std::uint8_t, 512> exp{};  // doubled so that exp[log a + log b] needs no modulo
    std::array<int, 256> log{};
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
    return t;
}

constexpr GaloisTables kGf = MakeGaloisTables();

// a / 3, where 3 = 1 + alpha
std::uint8_t DivByThree(std::uint8_t a) {
    return a == 0 ? 0 : kGf.exp[kGf.log[a] + 255 - kGf.log[3]];
}

constexpr int kWords = 1170;
constexpr int kPColumns = 43, kPRows = 24;  // P vector c: symbols 43 r + c
constexpr int kPFirstParity = 1032, kPSecondParity = 1075;
constexpr int kQDiagonals = 26, kQLength = 43;  // Q vector d: symbols (44 k + 43 d) mod 1118
constexpr int kQModulus = 1118;                 // symbols before the Q parity
constexpr int kQFirstParity = 1118, kQSecondParity = 1144;

constexpr std::size_t SymbolOffset(int word, int plane) {
    return kAddressOffset + 2 * static_cast<std::size_t>(word) + static_cast<std::size_t>(plane);
}

// Symbol `word` of byte plane `plane`; words 0 and 1 (the address and mode) count as zero.
std::uint8_t Symbol(SectorView sector, int word, int plane) {
    return word < 2 ? 0 : sector[SymbolOffset(word, plane)];
}

int PWord(int column, int row) {
    return kPColumns * row + column;
}
int QWord(int diagonal, int k) {
    return (44 * k + 43 * diagonal) % kQModulus;
}

// a * alpha, for every a: the one multiplication Horner's rule needs.
constexpr std::array<std::uint8_t, 256> MakeTimesAlpha() {
    std::array<std::uint8_t, 256> t{};
    for (unsigned a = 0; a < 256; ++a)
        t[a] = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? kFieldPolynomial : 0));
    return t;
}

constexpr std::array<std::uint8_t, 256> kTimesAlpha = MakeTimesAlpha();

// S0 = sum of the symbols, S1 = sum of alpha^(n - 1 - i) * symbol i, over a vector of n symbols
// given by word(i). S1 by Horner's rule: every sector written while keeping a stream's structure
// is sealed, so this loop is the rewrite's main cost.
template <typename WordOf>
std::array<std::uint8_t, 2> Syndromes(SectorView sector, int plane, int n, WordOf word) {
    std::uint8_t s0 = 0, s1 = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t v = Symbol(sector, word(i), plane);
        s0 ^= v;
        s1 = kTimesAlpha[s1] ^ v;
    }
    return {s0, s1};
}

}  // namespace

namespace {

constexpr int kPlanes = 2;
constexpr int kRowBytes = kPColumns * kPlanes;         // a P row: 43 words, both planes
constexpr int kDiagonalBytes = kQDiagonals * kPlanes;  // step k of every Q diagonal, both planes

// The word at step k of every Q diagonal, worked out once.
constexpr std::array<std::array<std::uint16_t, kQDiagonals>, kQLength> MakeQSteps() {
    std::array<std::array<std::uint16_t, kQDiagonals>, kQLength> steps{};
    for (int k = 0; k < kQLength; ++k)
        for (int d = 0; d < kQDiagonals; ++d)
            steps[k][d] = static_cast<std::uint16_t>((44 * k + 43 * d) % kQModulus);
    return steps;
}

constexpr auto kQSteps = MakeQSteps();

// a * alpha without a table, so that the loops below run on many bytes at once.
inline std::uint8_t TimesAlpha(std::uint8_t a) {
    return static_cast<std::uint8_t>((a << 1) ^ ((a >> 7) * (kFieldPolynomial & 0xFF)));
}

// Adds one symbol of each of n vectors: S0 += v, S1 = S1 * alpha + v (Horner's rule, so S1 ends
// as the sum of alpha^(N-1-i) * symbol i).
template <int N>
inline void Step(std::uint8_t (&s0)[N], std::uint8_t (&s1)[N], const std::uint8_t* v) {
    for (int j = 0; j < N; ++j) {
        s0[j] ^= v[j];
        s1[j] = static_cast<std::uint8_t>(TimesAlpha(s1[j]) ^ v[j]);
    }
}

// Parities at positions N and N + 1 of each vector: both sums over the whole vector become zero.
// The data weights were alpha^(N-1-i); in the whole vector they are alpha^(N+1-i), two more.
template <int N>
void PutParities(const std::uint8_t (&s0)[N], const std::uint8_t (&s1)[N], std::uint8_t* first,
                 std::uint8_t* second) {
    for (int j = 0; j < N; ++j) {
        first[j] = DivByThree(s0[j] ^ TimesAlpha(TimesAlpha(s1[j])));
        second[j] = static_cast<std::uint8_t>(s0[j] ^ first[j]);
    }
}

}  // namespace

// Byte j of a P row or of a Q step is plane j % 2 of vector j / 2, so all vectors advance
// together over contiguous bytes.
void WriteEcc(MutableSectorView sector) {
    // Work on a copy whose address and mode read as zero, as Mode 2 requires.
    std::array<std::uint8_t, kPlanes * kWords> words;
    std::copy(sector.begin() + kAddressOffset, sector.end(), words.begin());
    std::fill_n(words.begin(), 4, 0);

    std::uint8_t p0[kRowBytes] = {}, p1[kRowBytes] = {};
    for (int r = 0; r < kPRows; ++r) Step(p0, p1, words.data() + r * kRowBytes);
    PutParities(p0, p1, words.data() + kPlanes * kPFirstParity,
                words.data() + kPlanes * kPSecondParity);

    // Q covers the P parity, so it comes second.
    std::uint8_t q0[kDiagonalBytes] = {}, q1[kDiagonalBytes] = {};
    std::uint8_t step[kDiagonalBytes];
    for (int k = 0; k < kQLength; ++k) {
        for (int d = 0; d < kQDiagonals; ++d) {
            step[kPlanes * d] = words[kPlanes * kQSteps[k][d]];
            step[kPlanes * d + 1] = words[kPlanes * kQSteps[k][d] + 1];
        }
        Step(q0, q1, step);
    }
    PutParities(q0, q1, words.data() + kPlanes * kQFirstParity,
                words.data() + kPlanes * kQSecondParity);

    std::copy(words.begin() + kPlanes * kPFirstParity, words.end(),
              sector.begin() + static_cast<std::ptrdiff_t>(SymbolOffset(kPFirstParity, 0)));
}

bool PParityHolds(SectorView sector) {
    for (int plane = 0; plane < 2; ++plane) {
        for (int c = 0; c < kPColumns; ++c) {
            auto word = [c](int i) {
                return i < kPRows ? PWord(c, i)
                                  : (i == kPRows ? kPFirstParity : kPSecondParity) + c;
            };
            if (Syndromes(sector, plane, kPRows + 2, word) != std::array<std::uint8_t, 2>{0, 0})
                return false;
        }
    }
    return true;
}

bool QParityHolds(SectorView sector) {
    for (int plane = 0; plane < 2; ++plane) {
        for (int d = 0; d < kQDiagonals; ++d) {
            auto word = [d](int i) {
                return i < kQLength ? QWord(d, i)
                                    : (i == kQLength ? kQFirstParity : kQSecondParity) + d;
            };
            if (Syndromes(sector, plane, kQLength + 2, word) != std::array<std::uint8_t, 2>{0, 0})
                return false;
        }
    }
    return true;
}

static_assert(SymbolOffset(kWords - 1, 1) == kRawSectorSize - 1);

}  // namespace vorlix
