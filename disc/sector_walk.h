#pragma once
// The sector walk: runs of STR video and XA audio sectors found by content alone, wherever they
// lie, fed one sector at a time so that the image is read once.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sector/sector_kind.h"

namespace vorlix {

struct MediaRun {
    std::int64_t start = 0;
    std::int64_t end = 0;  // inclusive
    int code = 0;          // 0 movie, 1 movie with XA audio inside, 10 XA audio
    int context = -1;      // the file the run lies in (as the caller numbers them), -1 none
    std::int64_t video = 0, audio = 0;
    std::uint32_t first_frame = 0, last_frame = 0;
    std::string Evidence() const;
};

class SectorWalk {
public:
    // More XA audio sectors in a row than this are a stream of their own, not a movie's
    // interleaved sound (a movie puts one audio sector between several video sectors).
    static constexpr std::int64_t kMaxInterleavedAudio = 8;

    // Sectors come in order, each with the file it lies in; a change of file ends any run.
    void Feed(std::int64_t sector, const SectorLook& look, int context);
    // Ends the run in progress; call once after the last sector.
    void Finish();

    const std::vector<MediaRun>& Runs() const { return runs_; }

private:
    void Break();
    void CloseMovie();
    void EmitAudioBlock();

    std::vector<MediaRun> runs_;
    int context_ = -1;
    std::int64_t next_ = -1;  // the sector that continues the current run
    bool in_movie_ = false;
    MediaRun movie_;
    // XA audio sectors since the movie's last video sector (or since the run began).
    std::int64_t audio_start_ = 0, audio_count_ = 0;
    // The last frame number of the movie on each channel so far (0: none yet). Two movies may
    // interleave on two channels, each counting its own frames.
    std::array<std::uint32_t, 256> channel_frame_{};
};

}  // namespace vorlix
