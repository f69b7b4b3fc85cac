#include "disc/sector_walk.h"

#include <algorithm>

#include "entries/type_codes.h"

namespace vorlix {

std::string MediaRun::Evidence() const {
    std::string text;
    if (video > 0)
        text = std::to_string(video) + " STR video sectors, frames " + std::to_string(first_frame) +
               "-" + std::to_string(last_frame);
    if (audio > 0) text += (text.empty() ? "" : ", ") + std::to_string(audio) + " XA audio sectors";
    return text;
}

void SectorWalk::Feed(std::int64_t sector, const SectorLook& look, int context) {
    const bool media = look.kind == SectorKind::Video || look.kind == SectorKind::Audio;
    if (sector != next_ || context != context_ || !media) Break();
    if (!media) return;
    context_ = context;
    next_ = sector + 1;

    if (look.kind == SectorKind::Audio) {
        if (audio_count_++ == 0) audio_start_ = sector;
        return;
    }
    // A frame number that drops back starts the next movie: on the sector's own channel, or on a
    // channel new to the movie unless it starts along with the others (a second movie
    // interleaved with the first).
    const std::uint32_t on_channel = channel_frame_[look.channel];
    const bool drops_back =
        on_channel > 0 ? look.frame < on_channel : look.frame + 1 < movie_.last_frame;
    if (in_movie_ && (drops_back || audio_count_ > kMaxInterleavedAudio)) CloseMovie();
    if (!in_movie_) {
        if (audio_count_ > kMaxInterleavedAudio) EmitAudioBlock();
        in_movie_ = true;
        movie_ = MediaRun{};
        movie_.start = audio_count_ > 0 ? audio_start_ : sector;
        movie_.context = context;
        movie_.first_frame = look.frame;
        channel_frame_.fill(0);
    }
    movie_.audio += audio_count_;
    audio_count_ = 0;
    ++movie_.video;
    channel_frame_[look.channel] = look.frame;
    movie_.first_frame = std::min(movie_.first_frame, look.frame);
    movie_.last_frame = std::max(movie_.last_frame, look.frame);
    movie_.end = sector;
}

void SectorWalk::CloseMovie() {
    // Audio right after the last video sector is the movie's own unless it runs on too long.
    if (audio_count_ > 0 && audio_count_ <= kMaxInterleavedAudio) {
        movie_.audio += audio_count_;
        movie_.end += audio_count_;
        audio_count_ = 0;
    }
    movie_.code = movie_.audio > 0 ? kCodeMovieWithAudio : kCodeMovie;
    runs_.push_back(movie_);
    in_movie_ = false;
}

void SectorWalk::EmitAudioBlock() {
    MediaRun run;
    run.start = audio_start_;
    run.end = audio_start_ + audio_count_ - 1;
    run.code = kCodeXaAudio;
    run.context = context_;
    run.audio = audio_count_;
    runs_.push_back(run);
    audio_count_ = 0;
}

void SectorWalk::Break() {
    if (in_movie_) CloseMovie();
    if (audio_count_ > 0) EmitAudioBlock();
    next_ = -1;
}

void SectorWalk::Finish() {
    Break();
}

}  // namespace vorlix
