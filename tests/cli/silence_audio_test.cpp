// silence-audio: which bytes of a cue's audio tracks become silence, the cues refused, and the
// builder's disc in both layouts (a file per track, one .bin) after the command.

#include <gtest/gtest.h>

#include <algorithm>

#include "base/failure.h"
#include "cli_fixture.h"
#include "disc/cue_tracks.h"
#include "sector/cd_sector.h"
#include "support/process.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

constexpr std::uint64_t kSector = kRawSectorSize;

// data.bin: 10 data sectors. one.bin: the same, then 2 more data sectors, 2 zero sectors and 6
// audio sectors. audio.bin: 5 audio sectors.
class CueTracksOf : public ::testing::Test {
protected:
    TempDir dir;
    void SetUp() override {
        Bytes data;
        for (int i = 0; i < 12; ++i) {
            Bytes s = PatternSector(1, i);
            std::copy(kSyncPattern.begin(), kSyncPattern.end(), s.begin());
            s[15] = 2;  // a Mode 2 header, as a data track's sectors have
            data.insert(data.end(), s.begin(), s.end());
        }
        WriteBytes(dir / "data.bin", SectorsOf(data, 0, 10));
        WritePatternFile(dir / "audio.bin", 2, 6);
        Bytes one = SectorsOf(data, 0, 14);  // sectors 12 and 13 zero
        const Bytes audio = ReadBytes(dir / "audio.bin");
        one.insert(one.end(), audio.begin(), audio.end());
        WriteBytes(dir / "one.bin", one);
        WritePatternFile(dir / "audio.bin", 2, 5);
        WriteText(dir / "notes.txt", "not audio\n");
        WriteBytes(dir / "other-disc.bin", SectorsOf(data, 0, 4));
    }
    std::string Cue(const std::string& file, const std::string& track2) {
        WriteText(dir / "x.cue", "FILE \"" + file + "\" BINARY\n TRACK 01 MODE2/2352\n" +
                                     "  INDEX 01 00:00:00\n" + track2);
        return (dir / "x.cue").string();
    }
};

TEST_F(CueTracksOf, AudioSpansFromTheirPregapUnlessItHoldsDataAndRefusalsNameTheTrack) {
    const std::string in_audio =
        "FILE \"audio.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n";
    const struct {
        std::string file, track2;
        std::uint64_t begin, end;  // sectors; end 0: refused
        std::string refusal;
    } cases[] = {
        {"data.bin", in_audio, 0, 5, ""},
        {"one.bin", " TRACK 02 AUDIO\n  INDEX 00 00:00:12\n  INDEX 01 00:00:14\n", 12, 20, ""},
        {"one.bin", " TRACK 02 AUDIO\n  INDEX 00 00:00:10\n  INDEX 01 00:00:12\n", 12, 20, ""},
        {"one.bin", " TRACK 02 AUDIO\n  INDEX 01 00:00:11\n", 0, 0,
         "track 2 would overlap the data track: sector 11 of "},
        {"data.bin", "FILE \"./data.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n", 0, 0,
         "track 2 is an audio track in "},
        {"data.bin", "FILE \"gone.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n", 0, 0,
         "the file of track 2, "},
        {"one.bin", " TRACK 02 AUDIO\n  INDEX 00 00:00:14\n  INDEX 01 00:00:12\n", 0, 0,
         "track 2 holds no sector of its file"},
        // A cue may name any file as an audio track: only raw samples are silenced.
        {"data.bin", "FILE \"audio.bin\" MOTOROLA\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n", 0, 5,
         ""},
        {"data.bin", "FILE \"audio.bin\" WAVE\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n", 0, 0,
         "a file of type WAVE; only raw audio (BINARY or MOTOROLA) can be made silent in place."},
        {"data.bin", "FILE \"x.cue\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n", 0, 0,
         "track 2 names the cue sheet itself as its file."},
        {"data.bin", "FILE \"notes.txt\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n", 0, 0,
         "notes.txt, is not raw CD audio: its 10 bytes are not a whole number of 2352-byte "
         "sectors."},
        {"data.bin", "FILE \"other-disc.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n", 0, 0,
         "track 2 is no audio track: sector 0 of "},
    };
    for (const auto& c : cases) {
        const std::string cue = Cue(c.file, c.track2);
        try {
            const std::vector<AudioSpan> spans = AudioSpansOf(cue);
            ASSERT_EQ(spans.size(), 1u) << c.track2;
            EXPECT_EQ(spans[0].track, 2);
            EXPECT_EQ(spans[0].begin, c.begin * kSector) << c.track2;
            EXPECT_EQ(spans[0].end, c.end * kSector) << c.track2;
        } catch (const Failure& f) {
            EXPECT_EQ(c.end, 0u) << c.track2 << f.what();
            const std::string what = f.what();
            EXPECT_TRUE(what.starts_with("Cannot use " + DisplayPath(cue) + ": ")) << what;
            EXPECT_NE(what.find(c.refusal), std::string::npos) << what;
        }
    }
}

// The table of contents as libcdio reads it from a single-FILE cue.
std::string Toc(const std::filesystem::path& cue) {
    return RunProcess("/bin/sh", {"-c", "cd-info --no-header --no-device-info -A -q --cue-file '" +
                                            cue.string() + "' 2>&1"})
        .out;
}

class SilenceDisc : public ::testing::TestWithParam<bool> {};

TEST_P(SilenceDisc, EveryAudioSampleIsZeroAndNothingElseMoved) {
    TempDir dir;
    DiscOptions options;
    options.single_bin = GetParam();
    const BuiltDisc disc = BuildPsxDisc(dir.path(), options);
    const std::string cue = disc.cue.string();
    const Bytes data = SectorsOf(ReadBytes(disc.bin), 0, disc.sectors);
    const Bytes audio = ReadBytes(disc.audio_bin);
    const std::string toc = options.single_bin ? Toc(disc.cue) : "";
    const std::string bytes = std::to_string(disc.audio_sectors * kSector) + " bytes";

    ExpectCli({"silence-audio", cue, "--dry-run"}, 0,
              "Dry run: 1 audio track, " + bytes + ", would become silent; nothing was written.\n" +
                  "track 2: " + DisplayPath(disc.audio_bin) + ", bytes " +
                  std::to_string(disc.audio_first_sector * kSector) + "-");
    EXPECT_EQ(ReadBytes(disc.audio_bin), audio);
    ExpectCli({"silence-audio", cue}, 0, "Silenced 1 audio track: " + bytes + " are now silent.\n");

    const Bytes after = ReadBytes(disc.audio_bin);
    EXPECT_EQ(after.size(), audio.size());
    EXPECT_EQ(SectorsOf(ReadBytes(disc.bin), 0, disc.sectors), data);
    EXPECT_TRUE(std::all_of(after.begin() + disc.audio_first_sector * kSector, after.end(),
                            [](std::uint8_t b) { return b == 0; }));
    if (options.single_bin) {
        EXPECT_NE(toc.find("CD-ROM Track List (1 - 2)"), std::string::npos) << toc;
        EXPECT_EQ(Toc(disc.cue), toc);
    }
    // A cue whose audio track starts past its file's end is refused, not taken as empty.
    options.audio_past_end = true;
    const BuiltDisc far = BuildPsxDisc(dir.path() / "far", options);
    ExpectCli({"silence-audio", far.cue.string()}, 1, "track 2 starts at sector ");

    // A cue may name any file as its audio track: files that are not raw audio stay as they were.
    if (options.single_bin) return;
    options.audio_past_end = false;
    const struct {
        std::string file, type, refusal;
    } named[] = {
        {"Test Disc (Track 2).bin", "WAVE", "a file of type WAVE; only raw audio"},
        {"Test Disc.cue", "BINARY", "track 2 names the cue sheet itself as its file."},
        {"../far/Test Disc (Track 1).bin", "BINARY", "track 2 is no audio track: sector 150 of "},
    };
    // So may a cue name a directory, or a file longer than any CD.
    options.audio_track_file = ".";  // the cue's own folder
    ExpectCli({"silence-audio", BuildPsxDisc(dir.path() / "folder", options).cue.string()}, 1,
              "is not a regular file.");
    options.audio_track_file.clear();
    options.audio_file_sectors = 449851;
    const BuiltDisc huge = BuildPsxDisc(dir.path() / "huge", options);
    ExpectCli({"silence-audio", huge.cue.string()}, 1,
              "holds 449851 sectors, more than a CD holds (449850); it is not a CD audio track.");
    EXPECT_EQ(std::filesystem::file_size(huge.audio_bin), 449851 * kSector);
    options.audio_file_sectors = 0;
    for (const auto& n : named) {
        options.audio_track_file = n.file;
        options.audio_file_type = n.type;
        const BuiltDisc other = BuildPsxDisc(dir.path() / "named", options);
        const std::filesystem::path target = other.cue.parent_path() / n.file;
        const Bytes before = ReadBytes(target);
        ExpectCli({"silence-audio", other.cue.string()}, 1, n.refusal);
        EXPECT_EQ(ReadBytes(target), before) << n.file;
    }
}

INSTANTIATE_TEST_SUITE_P(FilePerTrackAndSingleBin, SilenceDisc, ::testing::Bool());

}  // namespace
}  // namespace vorlix::test
