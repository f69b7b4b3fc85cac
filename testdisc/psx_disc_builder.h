#pragma once
// Builds a PlayStation disc image the way a real one is laid out, from nothing copyrighted: a
// MODE2/2352 data track with an ISO 9660 file system carrying CD-XA attributes, movies, XA audio,
// TIM, VAB and SEQ files, dummies, an archive with two movies inside, a movie and an XA run in
// sectors no file covers, and a CD-DA track 2 in a file of its own with a cue naming both. Every
// data-track sector is valid (sync, address, sub-header, EDC, Form 1 ECC). Returns where
// everything lies and the entry list a correct scan must produce.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace vorlix::test {

// What a frame encoder is asked for. The frame must be `target_bytes` long or a little shorter
// (a multiple of 4), so that it takes the planned number of 2016-byte chunks.
struct FrameRequest {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    int frame_number = 1;  // from 1
    std::uint16_t version = 2;
    std::size_t target_bytes = 0;
};

// Returns the whole frame: the 8-byte bitstream header, the bitstream, zero padding to 4 bytes.
using FrameEncoder = std::function<std::vector<std::uint8_t>(const FrameRequest&)>;

// MDEC bitstream version 2: coloured gradients that change per frame, padded with AC codes to the
// requested size. Decodes in ffmpeg.
std::vector<std::uint8_t> EncodeTestFrameV2(const FrameRequest& request);

struct MovieSpec {
    std::string path;  // "/MOVIE/NAME.STR"
    std::uint16_t width = 320;
    std::uint16_t height = 240;
    int frames = 10;
    std::uint16_t version = 2;
    // 0: all video. N: every Nth sector of the file is XA audio (stereo 37.8 kHz 4-bit).
    int audio_interleave = 0;
    int min_sectors_per_frame = 6;  // each frame takes a pseudo-random count in this range
    int max_sectors_per_frame = 10;
    FrameEncoder encoder;  // empty: EncodeTestFrameV2, which only makes version 2
};

struct DiscOptions {
    std::string name = "Test Disc";  // "NAME (Track 1).bin", "NAME (Track 2).bin", "NAME.cue"
    // Pad the data track with /DATA/BIG.DAT (varied bytes) to at least this many sectors.
    std::int64_t total_sectors = 0;
    // More movies under /MOVIE, after the normal ones (e.g. bitstream version 3).
    std::vector<MovieSpec> extra_movies = {};

    // Layouts of real mastering tools, each a movie file of its own under /MOVIE.
    // /MOVIE/MASTERED.STR: video-only, sub-header 00 01 48 00 (channel 1), 10 sectors a frame,
    // its last sector 00 00 89 00 (end of file, channel 0) in the middle of the last frame's
    // chunks.
    bool mastered_movie = false;
    // /MOVIE/PAIR.STR: two 320 x 240 movies, one on channel 0 and one on channel 1, one sector of
    // each in turn (one stream in `streams`, the frames of both).
    bool interleaved_movies = false;
    // /MOVIE/RECORDS.STR: each frame's last sector ends a record, all through the file.
    bool record_ends = false;

    // Faults for bad-input tests.
    bool directory_cycle = false;  // /DATA/LOOP is a directory record pointing at /DATA itself
    bool extent_past_end = false;  // /DATA/LOST.DAT lies past the end of the image
    bool zero_byte_file = false;   // /DATA/EMPTY.DAT has size 0
    bool no_file_system = false;   // sectors 16.. hold no volume descriptor; streams stay
    // The root record names sector 4,294,967,280: past the image, and negative to a reader that
    // takes the extent as a signed 32-bit sector. Only the sector walk finds anything.
    bool root_extent_huge = false;
    std::int64_t truncate_to = 0;  // > 0: the .bin is cut to this many sectors

    // Untrusted cue sheets and images of other kinds, for the refusal tests.
    bool single_bin = false;       // one "NAME.bin": the data track, then track 2 AUDIO; one FILE
    std::string cue_track_file{};  // non-empty: the cue's track 1 names this file instead
    int sector_size = 2352;        // 2048 or 2336: the data track is written in such sectors
    bool audio_past_end = false;   // the cue's track 2 starts 100,000 sectors past its file's end
    // Non-empty: the cue's track 2 is in this file (relative to the cue), on a FILE line of
    // `audio_file_type`, instead of in the disc's audio file: a cue naming any file as audio.
    std::string audio_track_file{};
    std::string audio_file_type = "BINARY";
    // > 0: the audio track's own file is grown (sparse, zeros) to this many sectors, as a file
    // longer than any CD named as its audio.
    std::int64_t audio_file_sectors = 0;

    // Hostile layouts: records a scan must not take at their word. The expected list stays what
    // the sectors hold.
    bool dummy_over_file_system = false;  // /DUMMY.DAT's record says sector 10, 300 sectors
    bool tim_named_dummy = false;         // /DATA/TEXTURE.TIM is recorded as /DATA/DUMMYTX.TIM
    int movie_bytes_per_sector = 0;       // 2336 or 2352: how the movies' sizes are recorded

    // Directory bombs: records that would have a file-system reader read, keep or report without
    // end. Their sectors (Form 1, records only) follow the files; nothing in them is listed.
    // /DATA/BOMB: 1 MiB directories whose extents overlap, each block naming 24 more of them and
    // 24 one-sector files; a reader without caps keeps millions of records.
    bool overlapping_directories = false;
    bool crowded_directory = false;  // /DATA/CROWD: 1 MiB of records of zero-byte files
    bool overlapping_files = false;  // /SHARE: 30 files, each lying inside /MOVIE/OPENING.STR
};

struct BuiltFile {
    std::string path;  // "/MOVIE/OPENING.STR"
    std::int64_t first_sector = 0;
    std::int64_t sectors = 0;
    std::uint16_t xa_attributes = 0;
    // "cnf", "exe", "movie", "movie+audio", "xa", "tim", "vab-header", "vab-body", "seq",
    // "dummy", "data", "archive"; the fault files are "data".
    std::string role;
};

struct BuiltStream {
    std::string where;  // file path, or "gap" for a run no file covers
    std::int64_t first_sector = 0;
    std::int64_t last_sector = 0;  // inclusive
    enum Kind { Movie, MovieWithAudio, Xa } kind = Movie;
    int frames = 0;  // movies
    std::uint16_t width = 0, height = 0, version = 0;
    int channels = 0;  // XA: channels interleaved; movies with audio: 1
};

struct ExpectedEntry {
    std::int64_t start = 0;
    std::int64_t end = 0;  // inclusive
    int code = 0;
    std::string where;  // file path (the archive's for its movies), or "gap"
    bool operator==(const ExpectedEntry&) const = default;
};

struct BuiltDisc {
    // With single_bin, audio_bin is bin: track 2 follows the data track in it.
    std::filesystem::path bin, cue, audio_bin;
    // Where track 2 (its two-second pregap first) lies in audio_bin, in sectors.
    std::int64_t audio_first_sector = 0, audio_sectors = 0;
    std::int64_t sectors = 0;            // of the data track as written (after truncate_to)
    std::int64_t file_system_end = 0;    // the first sector after the system area, descriptors,
                                         // path tables and directories
    std::int64_t directory_sectors = 0;  // sectors of directory records, the bombs' included
    std::vector<BuiltFile> files;        // in sector order; still listed with no_file_system
    std::vector<BuiltStream> streams;    // in sector order
    // The list a correct scan produces, in sector order. With no_file_system: the stream runs
    // only (what a sector walk can find). With truncate_to: entries ending past the cut dropped.
    std::vector<ExpectedEntry> expected;
};

// Writes the images into `dir` (created if needed) and returns their layout.
BuiltDisc BuildPsxDisc(const std::filesystem::path& dir, const DiscOptions& options = {});

}  // namespace vorlix::test
