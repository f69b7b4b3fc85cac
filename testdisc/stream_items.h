#pragma once
// The test disc's streams: movies (STR sectors of test frames, with or without interleaved XA
// audio), XA audio on several channels, and the layouts of real mastering tools.

#include <cstdint>
#include <vector>

#include "testdisc/disc_items.h"

namespace vorlix::test::building {

// `per_channel` sectors on each of `codings.size()` channels, one sector a channel in turn; each
// channel's last sector ends the record and the file when `mark_end`.
std::vector<RawSector> XaStream(const std::vector<std::uint8_t>& codings, int per_channel, bool edc,
                                bool mark_end, std::uint64_t seed);

struct Movie {
    std::vector<RawSector> sectors;
    int frames = 0;
    bool audio = false;
};

// A movie's sectors: each frame in 2016-byte chunks behind the STR sector header; with an audio
// interleave N, every Nth sector is XA audio. A movie file's last sector ends the record and file.
Movie MakeMovie(const MovieSpec& wanted, std::uint64_t seed, bool mark_end);

Item MovieFile(const MovieSpec& wanted, std::uint64_t seed);

// The mastering tools' layouts (see DiscOptions).
std::vector<Item> MasteredMovies(const DiscOptions& options, std::uint64_t& seed);

}  // namespace vorlix::test::building
