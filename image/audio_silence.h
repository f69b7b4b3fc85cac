#pragma once
// Silencing CD audio tracks: each track's bytes become zeros (digital silence) in place, as holes
// where the file system has them, so that the track keeps its length and every other track its
// place.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "files/audio_span.h"

namespace vorlix {

struct SilenceReport {
    std::size_t tracks = 0;
    std::uint64_t bytes = 0;        // made silent (or, in a dry run, that would be)
    std::uint64_t before = 0;       // disk space the tracks' files took before
    std::uint64_t after = 0;        // and after (a dry run: before less the holes it could make)
    std::vector<std::string> rows;  // "track 2: FILE bytes B-E (N sectors)" per track
};

// Makes every span silent and flushes each file, or with `dry_run` only says what it would do.
// Every file is checked (a regular file, long enough, not in use by another VORLIX) before the
// first write.
SilenceReport SilenceAudio(const std::vector<AudioSpan>& spans, bool dry_run);

// What the report says, as both front ends show it: the tracks and bytes made silent (or that
// would be), one row per track, and the disk space given back (or that could be). Lines end with
// "\n".
std::string SilenceSummary(const SilenceReport& report, bool dry_run);

}  // namespace vorlix
