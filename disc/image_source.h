#pragma once
// An image as the user names it: a raw .bin, or a .cue sheet that stands for its data track.

#include <filesystem>

namespace vorlix {

// The .bin file to work on: `image` itself, or for a .cue (by extension, any case) the file of its
// track 1, which must be MODE2/2352 and start at byte 0 of its file, resolved relative to the
// cue's folder. Throws Failure naming the cue, the track and what was found.
std::filesystem::path DataTrackOf(const std::filesystem::path& image);

}  // namespace vorlix
