#include "disc/cue_tracks.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "base/failure.h"
#include "disc/cue_sheet.h"
#include "disc/image_source.h"
#include "files/sector_file.h"
#include "sector/cd_sector.h"

namespace vorlix {

namespace {

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
            if (HasSync(std::span(batch).subspan(static_cast<std::size_t>(i) * kRawSectorSize)))
                return s + i;
        }
    }
    return -1;
}

std::string TrackName(int number) {
    return "track " + std::to_string(number);
}

}  // namespace

std::vector<AudioSpan> AudioSpansOf(const std::filesystem::path& cue) {
    // The cue is taken as every command takes it (its data track checked against its bytes).
    const DataTrack data = ResolveImage(cue);
    const std::vector<CueTrack> tracks = CueTracks(ReadWholeFile(cue, kMaxCueSheetBytes), cue);
    const std::string refused = "Cannot use " + DisplayPath(cue) + ": ";
    std::vector<AudioSpan> spans;
    // Tracks that follow the data track in its own FILE share its file; any other naming of that
    // file would overlap the data track.
    bool in_data_file = true;
    for (const CueTrack& t : tracks) {
        if (t.file.empty()) throw Failure(refused + TrackName(t.number) + " names no file.");
        if (t.index0 > t.start || (t.end >= 0 && t.end <= t.first))
            throw Failure(refused + TrackName(t.number) +
                          " holds no sector of its file (its INDEX lines are out of order).");
        in_data_file = in_data_file && t.file == tracks.front().file;
        if (!t.audio()) continue;
        const std::int64_t length = FileLength(t.file);
        if (length < 0)
            throw Failure(refused + "the file of " + TrackName(t.number) + ", " +
                          DisplayPath(t.file) + ", does not exist.");
        std::error_code ec;
        // A directory has a length too; it would be refused only once silencing opened it.
        if (!std::filesystem::is_regular_file(t.file, ec)) throw NotRegularFailure(t.file);
        const bool data_file = std::filesystem::equivalent(t.file, data.bin, ec);
        if (data_file && !in_data_file)
            throw Failure(refused + TrackName(t.number) + " is an audio track in " +
                          DisplayPath(t.file) + ", the data track's file.");
        // Silence is zeros over the file's bytes from the track's start: only raw samples may
        // take that. A WAVE or MP3 file would lose its header, and a cue may name any file.
        if (t.file_type != "BINARY" && t.file_type != "MOTOROLA")
            throw Failure(refused + TrackName(t.number) + " is in " + DisplayPath(t.file) +
                          ", a file of type " +
                          (t.file_type.empty() ? "(none)" : PrintableText(t.file_type)) +
                          "; only raw audio (BINARY or MOTOROLA) can be made silent in place.");
        if (std::filesystem::equivalent(t.file, cue, ec))
            throw Failure(refused + TrackName(t.number) +
                          " names the cue sheet itself as its file.");
        if (!data_file && length % static_cast<std::int64_t>(kRawSectorSize) != 0)
            throw Failure(refused + "the file of " + TrackName(t.number) + ", " +
                          DisplayPath(t.file) + ", is not raw CD audio: its " +
                          std::to_string(length) + " bytes are not a whole number of " +
                          std::to_string(kRawSectorSize) + "-byte sectors.");
        // No disc holds more; silencing such a file would take time no CD's audio takes.
        if (constexpr std::int64_t kCdSectors = kLastCdAddressedSector + 1;
            !data_file && length / static_cast<std::int64_t>(kRawSectorSize) > kCdSectors)
            throw Failure(refused + "the file of " + TrackName(t.number) + ", " +
                          DisplayPath(t.file) + ", holds " +
                          std::to_string(length / static_cast<std::int64_t>(kRawSectorSize)) +
                          " sectors, more than a CD holds (" + std::to_string(kCdSectors) +
                          "); it is not a CD audio track.");
        if (!data_file && FirstDataSector(t.file, t.start, t.start + 1) >= 0)
            throw Failure(refused + TrackName(t.number) + " is no audio track: sector " +
                          std::to_string(t.start) + " of " + DisplayPath(t.file) +
                          " is a data sector.");
        const auto file_length = static_cast<std::uint64_t>(length);
        AudioSpan span{t.number, t.file, static_cast<std::uint64_t>(SectorOffset(t.first)),
                       t.end >= 0 ? static_cast<std::uint64_t>(SectorOffset(t.end)) : file_length};
        span.end = std::min(span.end, file_length);
        if (span.begin >= span.end)
            throw Failure(refused + TrackName(t.number) + " starts at sector " +
                          std::to_string(t.first) + ", past the end of " + DisplayPath(t.file) +
                          " (" + std::to_string(length / kRawSectorSize) + " sectors).");
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
