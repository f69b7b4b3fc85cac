// (11) The sector arithmetic alone, in this process: EDC, P/Q sealing and P/Q checking of one Form
// 1 sector, the fast arithmetic against the portable one measured in the same run.

#include <time.h>
#include <algorithm>

#include <cstring>
#include <iostream>
#include <random>

#include "bench/bench_figures.h"
#include "sector/cd_sector.h"
#include "sector/ecc.h"
#include "sector/edc.h"
#include "sector/sector_arithmetic.h"

namespace vorlix::bench {
namespace {

constexpr int kPoolSectors = 64;  // distinct sectors, all in the cache
constexpr int kRounds = 100;      // a run: 6,400 sectors, a few milliseconds

// This thread's processor time in nanoseconds: what other processes take of the core while it
// runs is not counted.
double ThreadNs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Nanoseconds per sector of `work` over the pool, one short run.
template <typename Work>
double NsPerSector(std::vector<RawSector>& pool, Work work) {
    std::uint64_t sink = 0;
    const double begin = ThreadNs();
    for (int round = 0; round < kRounds; ++round)
        for (RawSector& s : pool) sink += work(s);
    const double end = ThreadNs();
    if (sink == 1) std::cerr << "";  // keeps the work from being optimised away
    return (end - begin) / (kRounds * static_cast<double>(pool.size()));
}

}  // namespace

std::vector<Row> SectorArithmeticFigures(const Context& c) {
    std::vector<RawSector> pool(kPoolSectors);
    std::mt19937 random(9);
    for (std::size_t i = 0; i < pool.size(); ++i) {
        for (auto& b : pool[i]) b = static_cast<std::uint8_t>(random());
        WriteMode2Header(pool[i], static_cast<std::int64_t>(i), {1, 0, kSubmodeData, 0});
        SealForm1(pool[i]);
    }
    const auto edc = [](RawSector& s) { return Form1Edc(s); };
    const auto seal = [](RawSector& s) {
        WriteEcc(s);
        return s[kQParityOffset];
    };
    const auto check = [](RawSector& s) {
        const ParityHolds holds = CheckParity(s);
        return int{holds.p} + int{holds.q};
    };
    const auto avx2_check = [](RawSector& s) {
        const ParityHolds holds = arithmetic::ParityHoldsAvx2(s);
        return int{holds.p} + int{holds.q};
    };
    const auto edc_and_check = [](RawSector& s) {
        const ParityHolds holds = CheckParity(s);
        return Form1Edc(s) + holds.p + holds.q;
    };
    Row rows[] = {
        {"11a EDC of a sector: fast / portable", {}, {}, 0},
        {"11b P/Q sealing: fast / portable", {}, {}, 0},
        {"11c P/Q check: fast / portable", {}, {}, 0},
        {"11d EDC + P/Q check, fast", {}, {}, 300},
        {"11e P/Q check, AVX2 alone / portable", {}, {}, 0},
    };
    for (Row& row : rows) row.unit = "ns";
    rows[3].alone_unit = "ns";
    if (!FastSectorArithmeticAvailable()) {
        for (Row& row : rows) row.unavailable = "no fast arithmetic on this processor";
        return {std::begin(rows), std::end(rows)};
    }
    const SectorArithmetic before = ActiveSectorArithmetic();
    // Short runs, portable and fast in turn, many of them: the median shrugs off the moments the
    // other processes of the machine take the core.
    const int runs = std::max(c.repetitions, 5) * 3;
    for (int run = 0; run < runs; ++run) {
        for (const SectorArithmetic a : {SectorArithmetic::Portable, SectorArithmetic::Fast}) {
            UseSectorArithmetic(a);
            const bool fast = a == SectorArithmetic::Fast;
            (fast ? rows[0].subject : rows[0].baseline).values.push_back(NsPerSector(pool, edc));
            (fast ? rows[1].subject : rows[1].baseline).values.push_back(NsPerSector(pool, seal));
            (fast ? rows[2].subject : rows[2].baseline).values.push_back(NsPerSector(pool, check));
            if (fast) rows[3].subject.values.push_back(NsPerSector(pool, edc_and_check) / 1e9);
            if (fast) rows[4].subject.values.push_back(NsPerSector(pool, avx2_check));
            if (!fast) rows[4].baseline.values.push_back(rows[2].baseline.values.back());
        }
    }
    UseSectorArithmetic(before);
    return {std::begin(rows), std::end(rows)};
}

}  // namespace vorlix::bench
