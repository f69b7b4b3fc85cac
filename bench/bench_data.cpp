#include "bench/bench_data.h"

#include <algorithm>
#include <iterator>
#include <random>

namespace vorlix::bench {

namespace {

struct Kind {
    const char* codes[3];
    int code_count;
    int entries;
    std::int64_t min_sectors;  // 0: sized to fill the rest of the covered part
    std::int64_t max_sectors;
};

// ST0/ST1/ST2 movies, XA audio, then the small kinds whose sizes make up the rest.
constexpr Kind kKinds[] = {
    {{"0", "1", "2"}, 3, 40, 300, 3000},
    {{"10"}, 1, 60, 50, 2000},
    {{"99"}, 1, 250, 0, 0},
    {{"20"}, 1, 500, 0, 0},
    {{"31"}, 1, 300, 0, 0},
    {{"32"}, 1, 150, 0, 0},
    {{"40"}, 1, 350, 0, 0},
    {{"77"}, 1, 350, 0, 0},  // 77 has no name: "???"
};

constexpr double kCoverage = 0.6;

}  // namespace

std::vector<BenchEntry> MixedEntries() {
    std::mt19937_64 random(20240601);
    const auto uniform = [&](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(random);
    };

    std::vector<BenchEntry> entries;
    std::int64_t sized = 0;
    int small_entries = 0;
    for (const Kind& kind : kKinds) {
        for (int i = 0; i < kind.entries; ++i) {
            BenchEntry e;
            e.code = kind.codes[i % kind.code_count];
            if (kind.min_sectors > 0) {
                e.count = uniform(kind.min_sectors, kind.max_sectors);
                sized += e.count;
            } else {
                ++small_entries;
            }
            entries.push_back(e);
        }
    }
    // Small entries share what is left of the covered part, uniformly from 1 to twice the mean.
    const auto covered = static_cast<std::int64_t>(kCoverage * kImageSectors);
    const std::int64_t mean = std::max<std::int64_t>(1, (covered - sized) / small_entries);
    for (BenchEntry& e : entries)
        if (e.count == 0) e.count = uniform(1, 2 * mean - 1);

    std::shuffle(entries.begin(), entries.end(), random);

    // The gaps between entries take the rest of the image, in random shares.
    std::int64_t total = 0;
    for (const BenchEntry& e : entries) total += e.count;
    std::vector<double> shares(entries.size() + 1);
    double share_sum = 0;
    for (double& s : shares)
        share_sum += (s = std::uniform_real_distribution<double>(0, 1)(random));
    const std::int64_t free_sectors = kImageSectors - total;
    std::int64_t at = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        at += static_cast<std::int64_t>(shares[i] / share_sum * static_cast<double>(free_sectors));
        entries[i].start = at;
        at += entries[i].count;
    }
    return entries;
}

std::vector<BenchEntry> LongListEntries(std::size_t count) {
    static constexpr const char* kCodes[] = {"0",  "1",  "2",  "10", "20",
                                             "31", "32", "40", "99", "77"};
    std::vector<BenchEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = {static_cast<std::int64_t>(i) * 18, 18, kCodes[i % std::size(kCodes)]};
    return entries;
}

std::string ListText(const std::vector<BenchEntry>& entries) {
    std::string text = "VORLIX benchmark list\r\n";
    for (const BenchEntry& e : entries)
        text += std::to_string(e.start) + ":" + std::to_string(e.start + e.count - 1) + ":" +
                e.code + "\r\n";
    text += ".\r\n";
    return text;
}

}  // namespace vorlix::bench
