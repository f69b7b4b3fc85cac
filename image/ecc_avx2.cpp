// Form 1 P and Q parity with AVX2: the Horner sums of ecc.cpp taken 32 byte lanes at a time.
//
// P: a row of the 43 columns is 86 contiguous bytes (both planes), so each row is three loads.
// Q: the diagonals are not contiguous in a row, but their anti-diagonals are: with lanes in
// reverse order (lane L is diagonal 25 - L), step s of the sweep reads the 26 words from word
// (44 s - 25) mod 1118 on, lane L holding symbol k = s - 25 + L of its diagonal. Lanes whose k is
// outside 0..42 are masked off, and only lanes still taking symbols are multiplied by alpha, so
// every lane ends with the same sums as the portable code. A copy of words 0..25 after word 1117
// makes the reads wrap around.

#include <immintrin.h>

#include <array>
#include <cstring>

#include "image/sector_arithmetic.h"

#define VORLIX_AVX2 __attribute__((target("avx2")))

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

// The symbols, bytes 00C-92F of the sector in the order of ecc.cpp (byte 2 w + p is symbol w of
// plane p), up to the Q parity, then words 0..25 again for the Q reads that wrap.
constexpr std::size_t kRowBytes = 86;                           // a P row: 43 words
constexpr std::size_t kPFirst = 2 * 1032, kPSecond = 2 * 1075;  // P parity rows 24 and 25
constexpr std::size_t kQCovered = 2 * 1118;                     // words before the Q parity
constexpr std::size_t kQLaneBytes = 52;                         // 26 diagonals, both planes
constexpr std::size_t kBufferBytes = 2336;                      // room for the widest loads
constexpr std::size_t kSectorQFirst = 0x8C8, kSectorQSecond = 0x8FC;
constexpr int kQSteps = 43 + 25;  // symbol k of lane L at step k + 25 - L

struct Symbols {
    alignas(32) std::array<std::uint8_t, kBufferBytes> bytes;

    explicit Symbols(const std::uint8_t* sector) {
        std::memcpy(bytes.data(), sector + kAddressOffset, kQCovered);
        std::memset(bytes.data(), 0, 4);  // the address and mode count as zero in Mode 2
        std::memset(bytes.data() + kQCovered, 0, kBufferBytes - kQCovered);
        Wrap();
    }
    void Wrap() { std::memcpy(bytes.data() + kQCovered, bytes.data(), kQLaneBytes); }
};

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

VORLIX_AVX2 __m256i Load(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
VORLIX_AVX2 void Store(std::uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Every byte times alpha where `where` is set, the others kept.
VORLIX_AVX2 __m256i TimesAlpha(__m256i x, __m256i where) {
    const __m256i moved = _mm256_and_si256(x, where);
    const __m256i overflow = _mm256_cmpgt_epi8(_mm256_setzero_si256(), moved);
    return _mm256_xor_si256(_mm256_add_epi8(x, moved),
                            _mm256_and_si256(overflow, _mm256_set1_epi8(0x1D)));
}
VORLIX_AVX2 __m256i TimesAlpha(__m256i x) {
    return TimesAlpha(x, _mm256_set1_epi8(-1));
}

VORLIX_AVX2 __m256i TimesConstant(__m256i x, const NibbleProducts& c) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i low = _mm256_shuffle_epi8(Load(c.low.data()), _mm256_and_si256(x, nibble));
    const __m256i high =
        _mm256_shuffle_epi8(Load(c.high.data()), _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble));
    return _mm256_xor_si256(low, high);
}

// Parities of 32 vectors at once from their data sums, as Parities() in ecc.cpp.
struct ParityPair {
    __m256i first, second;
};
VORLIX_AVX2 ParityPair Parities(__m256i s0, __m256i s1) {
    const __m256i first =
        TimesConstant(_mm256_xor_si256(s0, TimesAlpha(TimesAlpha(s1))), kDivideByThree);
    return {first, _mm256_xor_si256(s0, first)};
}

// Sums of 32 vectors at once, each kept in a register of its own through the loops.
struct Sums {
    __m256i s0, s1;
};

struct PSums {
    Sums lane[3];  // byte column j at lane j; 86 used
};
VORLIX_AVX2 PSums SumP(const Symbols& s, int rows) {
    __m256i a0 = _mm256_setzero_si256(), a1 = a0, a2 = a0, b0 = a0, b1 = a0, b2 = a0;
    for (const std::uint8_t* row = s.bytes.data(); rows > 0; --rows, row += kRowBytes) {
        const __m256i v0 = Load(row), v1 = Load(row + 32), v2 = Load(row + 64);
        a0 = _mm256_xor_si256(a0, v0);
        a1 = _mm256_xor_si256(a1, v1);
        a2 = _mm256_xor_si256(a2, v2);
        b0 = _mm256_xor_si256(TimesAlpha(b0), v0);
        b1 = _mm256_xor_si256(TimesAlpha(b1), v1);
        b2 = _mm256_xor_si256(TimesAlpha(b2), v2);
    }
    return {{{a0, b0}, {a1, b1}, {a2, b2}}};
}

struct QSums {
    Sums lane[2];  // lane L (bytes 2 L, 2 L + 1) is diagonal 25 - L; 52 bytes used
};
VORLIX_AVX2 QSums SumQ(const Symbols& s) {
    __m256i a0 = _mm256_setzero_si256(), a1 = a0, b0 = a0, b1 = a0;
    const std::uint8_t* taking = kQMasks.taking.data();
    const std::uint8_t* open = kQMasks.open.data();
    for (int step = 0; step < kQSteps; ++step, taking += 2, open += 2) {
        const std::uint8_t* words = s.bytes.data() + kQStarts[step];
        const __m256i v0 = _mm256_and_si256(Load(words), Load(taking));
        const __m256i v1 = _mm256_and_si256(Load(words + 32), Load(taking + 32));
        a0 = _mm256_xor_si256(a0, v0);
        a1 = _mm256_xor_si256(a1, v1);
        b0 = _mm256_xor_si256(TimesAlpha(b0, Load(open)), v0);
        b1 = _mm256_xor_si256(TimesAlpha(b1, Load(open + 32)), v1);
    }
    return {{{a0, b0}, {a1, b1}}};
}

// All 32 words of lo:hi in reverse order.
VORLIX_AVX2 void Reverse(__m256i& lo, __m256i& hi) {
    const __m256i words = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14,
                                           15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
    const __m256i new_lo = _mm256_shuffle_epi8(_mm256_permute4x64_epi64(hi, 0x4E), words);
    hi = _mm256_shuffle_epi8(_mm256_permute4x64_epi64(lo, 0x4E), words);
    lo = new_lo;
}

// The 26 words of a Q parity in sector order, as lanes (lane L = diagonal 25 - L).
VORLIX_AVX2 void LoadQLanes(const std::uint8_t* parity, __m256i& lo, __m256i& hi) {
    alignas(32) std::uint8_t t[64] = {};
    std::memcpy(t + 12, parity, kQLaneBytes);
    lo = Load(t);
    hi = Load(t + 32);
    Reverse(lo, hi);
}

// And back: lanes stored as 26 words in sector order.
VORLIX_AVX2 void StoreQLanes(__m256i lo, __m256i hi, std::uint8_t* parity) {
    Reverse(lo, hi);
    alignas(32) std::uint8_t t[64];
    Store(t, lo);
    Store(t + 32, hi);
    std::memcpy(parity, t + 12, kQLaneBytes);
}

// Whether the first `bytes` lanes of lo:hi are all zero (bytes > 32).
VORLIX_AVX2 bool ZeroUpTo(__m256i lo, __m256i hi, int bytes) {
    alignas(32) std::uint8_t mask[32] = {};
    std::memset(mask, 0xFF, static_cast<std::size_t>(bytes - 32));
    return _mm256_testz_si256(lo, lo) && _mm256_testz_si256(hi, Load(mask));
}

VORLIX_AVX2 void WriteEccAvx2(std::uint8_t* sector) {
    Symbols s(sector);
    const PSums p = SumP(s, 24);
    for (int j = 0; j < 3; ++j)
        Store(s.bytes.data() + kPFirst + 32 * j, Parities(p.lane[j].s0, p.lane[j].s1).first);
    // The second row overwrites the unused lanes of the first; its own spill past the row is
    // repaired by the wrap copy.
    for (int j = 0; j < 3; ++j)
        Store(s.bytes.data() + kPSecond + 32 * j, Parities(p.lane[j].s0, p.lane[j].s1).second);
    s.Wrap();
    std::memcpy(sector + kPParityOffset, s.bytes.data() + kPFirst, kPParitySize);

    const QSums q = SumQ(s);
    const ParityPair lo = Parities(q.lane[0].s0, q.lane[0].s1),
                     hi = Parities(q.lane[1].s0, q.lane[1].s1);
    StoreQLanes(lo.first, hi.first, sector + kSectorQFirst);
    StoreQLanes(lo.second, hi.second, sector + kSectorQSecond);
}

VORLIX_AVX2 ParityHolds ParityHoldsAvx2(const std::uint8_t* sector) {
    const Symbols s(sector);
    const PSums p = SumP(s, 26);
    __m256i any[3];
    for (int j = 0; j < 3; ++j) any[j] = _mm256_or_si256(p.lane[j].s0, p.lane[j].s1);
    // Lanes 86 and up of the third register belong to no column; the first two hold 64 columns.
    const bool p_holds = ZeroUpTo(_mm256_or_si256(any[0], any[1]), any[2], 32 + 22);

    // With the parity words as symbols 43 and 44: S0 = data ^ P1 ^ P2, S1 = a^2 data ^ a P1 ^ P2.
    const QSums q = SumQ(s);
    __m256i first[2], second[2], zero[2];
    LoadQLanes(sector + kSectorQFirst, first[0], first[1]);
    LoadQLanes(sector + kSectorQSecond, second[0], second[1]);
    for (int h = 0; h < 2; ++h) {
        const __m256i s0 = _mm256_xor_si256(q.lane[h].s0, _mm256_xor_si256(first[h], second[h]));
        const __m256i s1 = _mm256_xor_si256(TimesAlpha(TimesAlpha(q.lane[h].s1)),
                                            _mm256_xor_si256(TimesAlpha(first[h]), second[h]));
        zero[h] = _mm256_or_si256(s0, s1);
    }
    return {p_holds, ZeroUpTo(zero[0], zero[1], static_cast<int>(kQLaneBytes))};
}

static_assert(kPFirst + kRowBytes == kPSecond && kPSecond + kRowBytes == kQCovered);
static_assert(kSectorQFirst == kAddressOffset + kQCovered);
static_assert(kPSecond + 96 <= kBufferBytes && 2 * 1117 + 64 <= kBufferBytes);

}  // namespace

void arithmetic::FastWriteEcc(MutableSectorView sector) {
    WriteEccAvx2(sector.data());
}

ParityHolds arithmetic::FastParityHolds(SectorView sector) {
    return ParityHoldsAvx2(sector.data());
}

}  // namespace vorlix
