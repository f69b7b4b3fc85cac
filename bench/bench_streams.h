#pragma once
// Ripped ranges filled as a real disc's are, for the kept-structure figure: Rip with
// --keep-structure reads every sector and rewrites it by what it holds, so the fresh bytes of the
// other figures (no sector headers) would leave it nothing to do.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace vorlix::bench {

struct StreamRange {
    std::int64_t first = 0;
    std::int64_t count = 0;
    enum Kind { Movie, Xa, Dummy } kind = Dummy;
};

// Movies: 320 x 240 frames of 10 Form 1 video sectors with every 8th sector XA audio; XA: 8
// channels in turn; dummies: Form 1 data. Written in place, then the file is flushed.
void WriteStreams(const std::filesystem::path& image, const std::vector<StreamRange>& ranges);

}  // namespace vorlix::bench
