#pragma once
// Where a cue sheet's audio tracks lie in their files, for silencing them beside the data track.

#include <filesystem>
#include <vector>

#include "files/audio_span.h"

namespace vorlix {

// The bytes of each audio track of the cue sheet at `cue`, as silencing writes them; a pregap
// that holds data sectors (sync pattern) is left to the data track. The cue must stand for a data
// track as every command takes it. Refused when an audio track's file is missing, is the data
// track's file named otherwise, would overlap the data track (a sector of it in that file is a
// data sector), or when a track's INDEX lines leave it no sector; and, since any file may be
// named, when an audio track's file is not raw audio: not a regular file, not BINARY or MOTOROLA,
// the cue itself, not a whole number of sectors, longer than a CD, or a data sector where the
// track starts.
std::vector<AudioSpan> AudioSpansOf(const std::filesystem::path& cue);

}  // namespace vorlix
