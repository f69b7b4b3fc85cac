// vorlix-cli silence-audio: the audio tracks of a cue become digital silence of the same length.
#include <ostream>

#include "base/failure.h"
#include "cli/commands.h"
#include "disc/cue_tracks.h"
#include "image/audio_silence.h"

namespace vorlix::cli {

int SilenceAudioCommand(const Arguments& a, Streams s) {
    const std::vector<AudioSpan> spans = AudioSpansOf(a.image);
    if (spans.empty()) {
        s.out << "No audio track in " << DisplayPath(a.image) << "; nothing to silence.\n";
        return kExitOk;
    }
    s.out << SilenceSummary(SilenceAudio(spans, a.dry_run), a.dry_run);
    return kExitOk;
}

}  // namespace vorlix::cli
