#include "disc/cue_tracks.h"

#include <fcntl.h>
#include <libcue.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "disc/cue_sheet.h"
#include "image/cd_sector.h"
#include "image/failure.h"
#include "image/sector_file.h"

namespace vorlix {

namespace {

constexpr std::uint64_t kMaxCueBytes = std::uint64_t{1} << 20;

// libcue reports syntax errors on standard error; CueDataTrack has turned those into a Failure
// already, and this parse of the same text must stay as quiet.
std::unique_ptr<Cd, void (*)(Cd*)> ParseQuietly(const std::string& text) {
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
    if (null >= 0) ::close(null);
    Cd* cd = cue_parse_string(text.c_str());
    std::fflush(stderr);
    if (saved >= 0) {
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
    }
    return {cd, cd_delete};
}

// The first sector in [first, end) of `file` that begins with a data sector's sync pattern, or -1.
std::int64_t FirstDataSector(const std::filesystem::path& file, std::int64_t first,
                             std::int64_t end) {
    SectorFile in(file, OpenMode::ReadOnly);
    constexpr std::int64_t kBatch = 448;  // about 1 MiB
    std::vector<std::uint8_t> batch(kBatch * kRawSectorSize);
    for (std::int64_t s = first; s < end; s += kBatch) {
        const std::int64_t n = std::min(kBatch, end - s);
        in.ReadSectors(s, std::span(batch).first(static_cast<std::size_t>(n) * kRawSectorSize));
        for (std::int64_t i = 0; i < n; ++i) {
            const auto sector = batch.begin() + i * static_cast<std::int64_t>(kRawSectorSize);
            if (std::equal(kSyncPattern.begin(), kSyncPattern.end(), sector)) return s + i;
        }
    }
    return -1;
}

std::string TrackName(int number) {
    return "track " + std::to_string(number);
}

}  // namespace

std::vector<CueTrack> CueTracks(std::string_view text, const std::filesystem::path& cue) {
    const std::filesystem::path data = CueDataTrack(text, cue);
    const std::string refused = "Cannot use " + DisplayPath(cue) + ": ";
    const auto cd = ParseQuietly(std::string(text));
    if (!cd) throw Failure(refused + "it is not a cue sheet that can be read.");
    std::vector<CueTrack> tracks;
    for (int i = 1; i <= cd_get_ntrack(cd.get()); ++i) {
        const Track* track = cd_get_track(cd.get(), i);
        const char* file = track ? track_get_filename(track) : nullptr;
        if (!file || !*file) throw Failure(refused + TrackName(i) + " names no file.");
        CueTrack t;
        t.number = i;
        t.audio = track_get_mode(track) == MODE_AUDIO;
        t.file_name = file;
        std::string name = file;
        std::replace(name.begin(), name.end(), '\\', '/');
        t.file = std::filesystem::path(name).is_absolute() ? std::filesystem::path(name)
                                                           : cue.parent_path() / name;
        const long start = track_get_start(track), length = track_get_length(track);
        const long pregap = track_get_index(track, 0);
        t.start = start;
        t.first = pregap >= 0 ? pregap : start;
        t.end = length >= 0 ? start + length : -1;
        if (t.first < 0 || start < t.first || (t.end >= 0 && t.end <= t.first))
            throw Failure(refused + TrackName(i) +
                          " holds no sector of its file (its INDEX lines " + "are out of order).");
        tracks.push_back(std::move(t));
    }
    tracks.front().file = data;
    return tracks;
}

std::vector<AudioSpan> AudioSpansOf(const std::filesystem::path& cue) {
    const std::vector<CueTrack> tracks = CueTracks(ReadWholeFile(cue, kMaxCueBytes), cue);
    const std::string refused = "Cannot use " + DisplayPath(cue) + ": ";
    const CueTrack& data = tracks.front();
    std::vector<AudioSpan> spans;
    // Tracks that follow the data track in its own FILE share its file; any other naming of that
    // file would overlap the data track.
    bool in_data_file = true;
    for (const CueTrack& t : tracks) {
        in_data_file = in_data_file && t.file_name == data.file_name;
        if (!t.audio) continue;
        const std::int64_t length = FileLength(t.file);
        if (length < 0)
            throw Failure(refused + "the file of " + TrackName(t.number) + ", " +
                          DisplayPath(t.file) + ", does not exist.");
        std::error_code ec;
        const bool data_file = std::filesystem::equivalent(t.file, data.file, ec);
        if (data_file && !in_data_file)
            throw Failure(refused + TrackName(t.number) + " is an audio track in " +
                          DisplayPath(t.file) + ", the data track's file.");
        const auto file_length = static_cast<std::uint64_t>(length);
        AudioSpan span{t.number, t.file, static_cast<std::uint64_t>(SectorOffset(t.first)),
                       t.end >= 0 ? static_cast<std::uint64_t>(SectorOffset(t.end)) : file_length};
        span.end = std::min(span.end, file_length);
        // A pregap that holds data sectors is the data track's run-out, not the audio track's.
        const std::int64_t sectors =
            static_cast<std::int64_t>((span.end + kRawSectorSize - 1) / kRawSectorSize);
        if (t.first < t.start && FirstDataSector(t.file, t.first, t.start) >= 0)
            span.begin = static_cast<std::uint64_t>(SectorOffset(t.start));
        // In the data track's file the cue's word is checked against the bytes.
        if (const std::int64_t s = data_file ? FirstDataSector(t.file, t.start, sectors) : -1;
            s >= 0)
            throw Failure(refused + TrackName(t.number) + " would overlap the data track: sector " +
                          std::to_string(s) + " of " + DisplayPath(t.file) + " is a data sector.");
        spans.push_back(std::move(span));
    }
    return spans;
}

}  // namespace vorlix
