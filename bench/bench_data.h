#pragma once
// The data the benchmark works on: an entry list laid over a synthetic image the size of a real
// one, with every type of entry in proportions like a real game's.

#include <cstdint>
#include <string>
#include <vector>

namespace vorlix::bench {

inline constexpr std::int64_t kImageSectors = 300000;  // 705.6 MB
inline constexpr std::int64_t kCopyEntrySectors = 100000;

struct BenchEntry {
    std::int64_t start = 0;
    std::int64_t count = 0;
    std::string code;  // type code as the list holds it
};

// About 2,000 entries in image order, covering about 60 % of kImageSectors: movies of 300 to
// 3,000 sectors, XA audio of 50 to 2,000, and many small DUM, TIM, VA1, VA2, SEQ and unnamed
// ones. The same every run.
std::vector<BenchEntry> MixedEntries();

// `count` small entries one after another, cycling through every type code.
std::vector<BenchEntry> LongListEntries(std::size_t count);

// The list file's bytes: a header line, one "start:end:type" line per entry, the end marker; every
// line ended by CR LF.
std::string ListText(const std::vector<BenchEntry>& entries);

}  // namespace vorlix::bench
