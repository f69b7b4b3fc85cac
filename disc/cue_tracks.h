#pragma once
// Every track of a cue sheet and where its sectors lie in its file, for the commands that work on
// the audio tracks beside the data track.

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "image/audio_silence.h"

namespace vorlix {

struct CueTrack {
    int number = 0;
    bool audio = false;
    std::string file_name;       // as the cue names it
    std::filesystem::path file;  // resolved relative to the cue's folder
    // Sectors in its file: from INDEX 00 when the file holds the pregap (it belongs to the
    // track), else INDEX 01, to the next track's first sector in the same file; end -1: to the
    // end of the file.
    std::int64_t first = 0;
    std::int64_t start = 0;  // INDEX 01
    std::int64_t end = -1;
};

// The tracks of a cue sheet's text, in order; track 1 checked as CueDataTrack checks it. No file
// is looked at. Throws Failure naming `cue` and the track.
std::vector<CueTrack> CueTracks(std::string_view text, const std::filesystem::path& cue);

// The bytes of each audio track of the cue sheet at `cue`, as silencing writes them; a pregap
// that holds data sectors (sync pattern) is left to the data track. Refused when an audio track's
// file is missing, is the data track's file named otherwise, or would overlap the data track (a
// sector of it in that file is a data sector).
std::vector<AudioSpan> AudioSpansOf(const std::filesystem::path& cue);

}  // namespace vorlix
