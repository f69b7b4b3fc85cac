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

// a * alpha^power
std::uint8_t MulAlphaPower(std::uint8_t a, int power) {
    return a == 0 ? 0 : kGf.exp[(kGf.log[a] + power) % 255];
}

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

// S0 = sum of the symbols, S1 = sum of alpha^(n - 1 - i) * symbol i, over a vector of n symbols
// given by word(i).
template <typename WordOf>
std::array<std::uint8_t, 2> Syndromes(SectorView sector, int plane, int n, WordOf word) {
    std::uint8_t s0 = 0, s1 = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t v = Symbol(sector, word(i), plane);
        s0 ^= v;
        s1 ^= MulAlphaPower(v, n - 1 - i);
    }
    return {s0, s1};
}

// Parities at positions n and n + 1 of a vector with data syndromes over its first n symbols
// (so weights alpha^1 and alpha^0 in the whole vector): both sums over the vector become zero.
void WriteParities(MutableSectorView sector, int plane, std::array<std::uint8_t, 2> data_sums,
                   int first_word, int second_word) {
    // The data weights were alpha^(n-1-i); in the whole vector they are alpha^(n+1-i), two more.
    const std::uint8_t s0 = data_sums[0];
    const std::uint8_t s1 = MulAlphaPower(data_sums[1], 2);
    const std::uint8_t first = DivByThree(s0 ^ s1);
    sector[SymbolOffset(first_word, plane)] = first;
    sector[SymbolOffset(second_word, plane)] = static_cast<std::uint8_t>(s0 ^ first);
}

}  // namespace

void WriteEcc(MutableSectorView sector) {
    const SectorView view(sector);
    for (int plane = 0; plane < 2; ++plane) {
        for (int c = 0; c < kPColumns; ++c) {
            auto sums = Syndromes(view, plane, kPRows, [c](int r) { return PWord(c, r); });
            WriteParities(sector, plane, sums, kPFirstParity + c, kPSecondParity + c);
        }
    }
    // Q covers the P parity, so it comes second.
    for (int plane = 0; plane < 2; ++plane) {
        for (int d = 0; d < kQDiagonals; ++d) {
            auto sums = Syndromes(view, plane, kQLength, [d](int k) { return QWord(d, k); });
            WriteParities(sector, plane, sums, kQFirstParity + d, kQSecondParity + d);
        }
    }
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
