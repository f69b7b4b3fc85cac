#pragma once
// An image as the user names it: a raw .bin, or a .cue sheet that stands for its data track. Both
// are untrusted: a cue may name any file, and a file may be an image of another kind.

#include <cstdint>
#include <filesystem>

namespace vorlix {

struct DataTrack {
    std::filesystem::path bin;  // the raw file that holds the data track
    std::filesystem::path cue;  // the cue sheet it was named by; empty for an image named directly
    // The data track's sectors when another track follows in the same file; -1: the whole file.
    std::int64_t sectors = -1;
    // Sectors of the file after the data track (the other tracks of a single-file cue).
    std::int64_t other_sectors = 0;
};

// The data track of `image`: `image` itself, or for a .cue (by extension, any case) the file of
// its track 1 (see CueDataTrackIn), which must already look like a raw data track: not the cue
// itself, at least one whole sector, a whole number of 2352-byte sectors, a sync pattern and mode
// 2 in its first sector. Either way, an image of another kind (an ISO of 2048-byte sectors, 2336-
// byte Mode 2 sectors, a CHD, an ECM file) is refused, as before any write. A missing image named
// directly is left to the operation to refuse. Throws Failure naming the cue, the file and what
// was found.
DataTrack ResolveImage(const std::filesystem::path& image);

// ResolveImage(image).bin.
std::filesystem::path DataTrackOf(const std::filesystem::path& image);

}  // namespace vorlix
