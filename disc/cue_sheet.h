#pragma once
// The data track of a cue sheet's text, apart from any file access (the fuzz target drives it).

#include <filesystem>
#include <string_view>

namespace vorlix {

// The file of track 1, resolved relative to the cue's folder, when track 1 is MODE2/2352 and
// starts at byte 0 of its file. Throws Failure naming `cue`, the track and what was found.
std::filesystem::path CueDataTrack(std::string_view text, const std::filesystem::path& cue);

}  // namespace vorlix
