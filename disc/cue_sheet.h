#pragma once
// The tracks of a cue sheet's text, apart from any file access (the fuzz target drives it).

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "disc/image_source.h"

namespace vorlix {

// Real cue sheets are a few hundred bytes; anything over this is not one.
inline constexpr std::uint64_t kMaxCueSheetBytes = std::uint64_t{1} << 20;

struct CueTrack {
    int number = 0;              // as its TRACK line says
    std::filesystem::path file;  // resolved relative to the cue's folder
    std::string file_type;       // of its FILE line, upper case: "BINARY", "WAVE", "MOTOROLA", …
    std::string mode;            // "MODE2/2352", "AUDIO", "MODE1/2048", …
    std::int64_t first = 0;      // its first sector in its file: INDEX 00 when given, else INDEX 01
    std::int64_t start = 0;      // the sector of its INDEX 01 in its file
    std::int64_t index0 = -1;    // its INDEX 00 as the cue gives it, -1 when there is none
    // Where the next track in the same file begins; -1: the track runs to its file's end.
    std::int64_t end = -1;
    bool audio() const { return mode == "AUDIO"; }
};

// Every track of the cue sheet `text`, in order. CR, LF and CR LF end lines alike. Throws Failure
// naming `cue` when the text is no cue sheet that can be read.
std::vector<CueTrack> CueTracks(std::string_view text, const std::filesystem::path& cue);

// Track 1 as the data track: it must be numbered 1, MODE2/2352 in a BINARY file and start at byte 0
// of it. Its sectors end where a later track in the same file begins. Throws Failure naming `cue`,
// the track and what was found. No file is looked at.
DataTrack CueDataTrackIn(std::string_view text, const std::filesystem::path& cue);

// The file of track 1, as CueDataTrackIn finds it.
std::filesystem::path CueDataTrack(std::string_view text, const std::filesystem::path& cue);

}  // namespace vorlix
