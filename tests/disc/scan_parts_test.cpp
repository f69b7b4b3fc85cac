// The scan's parts on inputs made here: how the sector walk splits runs, what one sector and one
// file are taken for, the directory walk's size guard, and cue sheets.

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <tuple>

#include "base/failure.h"
#include "disc/cue_sheet.h"
#include "disc/directory_walk.h"
#include "disc/file_kinds.h"
#include "disc/image_source.h"
#include "disc/scan.h"
#include "disc/sector_walk.h"
#include "files/sector_file.h"
#include "support/failure_of.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"
#include "testdisc/iso9660_writer.h"

namespace vorlix::test {
namespace {

SectorLook Video(std::uint32_t frame, std::uint8_t channel = 0) {
    return {SectorKind::Video, false, frame, channel};
}
const SectorLook kAudio{SectorKind::Audio, true, 0};
const SectorLook kData{SectorKind::Data, false, 0};

TEST(SectorWalk, SplitsWhereTheRunBreaksTheFrameDropsTheFileChangesOrAudioRunsOn) {
    SectorWalk walk;
    std::int64_t s = 0;
    const auto feed = [&](const SectorLook& look, int n = 1, int context = -1) {
        for (int i = 0; i < n; ++i) walk.Feed(s++, look, context);
    };
    feed(kAudio, 2);                             // 0-1: sound just before a movie is the movie's
    feed(Video(1), 2), feed(Video(2), 2);        // 2-5
    feed(kAudio);                                // 6: interleaved sound after its last video sector
    feed(Video(1), 3);                           // 7-9: the frame drops: the next movie
    feed(kAudio, 9);                             // 10-18: too long to be the movie's: XA of its own
    feed(kData);                                 // 19
    feed(Video(3), 2, 4), feed(Video(4), 1, 5);  // 20-22: a file boundary between them
    s = 30;
    feed(kAudio, 3, 5);  // 30-32: not contiguous with the run before
    // 40-51: two movies interleaved on channels 0 and 1 are one run, each counting its own
    // frames; 52-53: channel 1 drops back on its own; 54-57: a movie on a new channel far behind.
    s = 40;
    for (std::uint32_t f = 1; f <= 3; ++f) feed(Video(f, 0), 2), feed(Video(f, 1), 2);
    feed(Video(1, 1), 2);
    feed(Video(5, 0), 2), feed(Video(1, 2), 2);
    walk.Finish();
    std::ostringstream runs;
    for (const MediaRun& r : walk.Runs())
        runs << r.start << "-" << r.end << ":" << r.code << "@" << r.context << " ";
    EXPECT_EQ(runs.str(),
              "0-6:1@-1 7-9:0@-1 10-18:10@-1 20-21:0@4 22-22:0@5 30-32:10@5 40-51:0@-1 "
              "52-55:0@-1 56-57:0@-1 ");
    EXPECT_EQ(walk.Runs()[0].Evidence(), "4 STR video sectors, frames 1-2, 3 XA audio sectors");
}

RawSector Form1(const std::vector<std::uint8_t>& head, std::uint8_t submode = kSubmodeData) {
    RawSector sector{};
    WriteMode2Header(sector, 0, {1, 1, submode, 0});
    std::copy(head.begin(), head.end(), sector.begin() + kUserDataOffset);
    return sector;
}

TEST(SectorKinds, SectorsAndFilesAreJudgedByContent) {
    // A 16-bit TIM of 4 x 4 pixels is 8 + 12 + 32 bytes; with a CLUT block before it, more.
    const std::vector<std::uint8_t> tim = {0x10, 0, 0, 0, 2, 0, 0, 0, 44, 0,
                                           0,    0, 0, 0, 0, 0, 4, 0, 4,  0};
    EXPECT_EQ(MagicOf(Form1(tim), 52), FileMagic::Tim);
    EXPECT_EQ(MagicOf(Form1(tim), 51), FileMagic::None);             // longer than the file
    for (const auto& [at, value] : {std::pair{4, 0x12}, {8, 40}}) {  // bad flags, wrong length
        std::vector<std::uint8_t> bad = tim;
        bad[at] = static_cast<std::uint8_t>(value);
        EXPECT_EQ(MagicOf(Form1(bad), 52), FileMagic::None) << at;
    }
    EXPECT_EQ(MagicOf(Form1({'p', 'B', 'A', 'V'}), 2048), FileMagic::VabHeader);
    EXPECT_EQ(MagicOf(Form1({'p', 'Q', 'E', 'S'}), 2048), FileMagic::Seq);

    for (const char* name : {"/DUMMY", "/a/dummy.bin", "/PADDING.DAT", "/X/FILL.DUM"})
        EXPECT_TRUE(NameSaysDummy(name)) << name;
    for (const char* name : {"/DUMMY/DATA.BIN", "/A.DUMP", "/MYDUMMY"})
        EXPECT_FALSE(NameSaysDummy(name)) << name;

    // A file with data sectors among its media is an archive: no entry of its own.
    const DiscFile file{"/DATA/ARC.BIN", 10, 3, 3 * 2048, 0};
    FileEvidence evidence;
    evidence.all_zero = false;
    evidence.Add(Video(1)), evidence.Add(kAudio);
    std::string why;
    evidence.Add(kData);
    EXPECT_EQ(ClassifyFile(file, evidence, why), -1);
    evidence.data = 0, evidence.audio = 2;
    EXPECT_EQ(ClassifyFile(file, evidence, why), 1);
    EXPECT_EQ(why, "1 STR video, 2 XA audio sectors, frames 1-1");

    // A dummy's name counts only over filler (no sync, one repeated byte, the first sector's data
    // again): a magic wins, and data that is no filler is no dummy.
    const RawSector pattern = Form1({1, 2, 3});
    const auto first = UserData(pattern, false);
    EXPECT_TRUE(IsFiller(RawSector{}, LookAt(RawSector{}), {}));
    EXPECT_TRUE(IsFiller(Form1(std::vector<std::uint8_t>(2048, 0x5A)), LookAt(pattern), {}));
    EXPECT_TRUE(IsFiller(pattern, LookAt(pattern), first));
    EXPECT_FALSE(IsFiller(pattern, LookAt(pattern), {}));
    const DiscFile named{"/DATA/DUMMYTX.TIM", 10, 1, 2048, 0};
    FileEvidence named_data;
    named_data.all_zero = named_data.filler = false;
    named_data.magic = FileMagic::Tim;
    EXPECT_EQ(ClassifyFile(named, named_data, why), 20);
    named_data.magic = FileMagic::None;
    EXPECT_EQ(ClassifyFile(named, named_data, why), -1);
    named_data.filler = true;
    EXPECT_EQ(ClassifyFile(named, named_data, why), 99);
}

// Trees no disc has, made block by block as they are read: each ends at its limit with the
// warning that says so, after reading and keeping no more than the limit allows.
TEST(DirectoryWalk, TreesBeyondAnyDiscAreCutOffAtTheirLimits) {
    using Records = std::vector<Bytes>;
    struct Case {
        const char* name;
        std::int64_t image_sectors;
        std::uint64_t root_bytes;
        std::function<Records(std::int64_t lsn)> block;
        const char* last_warning;
    };
    const std::string long_name(200, 'L');
    const std::vector<Case> cases = {
        {"absurd size", 1 << 20, 2048,
         [](std::int64_t) { return Records{PlainDirectoryRecord("D", 1, 0xF0F0F0F0, true)}; },
         "The directory /D claims 4042322160 bytes, more than any disc's directory holds; it is "
         "skipped."},
        {"records", 1 << 30, 2048,
         [](std::int64_t lsn) {
             Records r;
             for (int k = 0; k < 48; ++k)
                 r.push_back(
                     PlainDirectoryRecord("D" + std::to_string(k), lsn * 48 + k + 1, 2048, true));
             return r;
         },
         "The file system names more than 32768 files and directories, more than any disc holds; "
         "the rest of them is not read."},
        {"directory bytes", 1 << 20, 1 << 20,
         [](std::int64_t lsn) {
             return lsn % 512 ? Records{}
                              : Records{PlainDirectoryRecord("D", lsn + 512, 1 << 20, true)};
         },
         "The directories of the file system come to more than 2097152 bytes, more than any disc "
         "holds; the rest of them is not read."},
        {"file sectors", 100, 2048,
         [](std::int64_t) {
             Records r;
             for (int k = 0; k < 48; ++k)
                 r.push_back(PlainDirectoryRecord("F" + std::to_string(k), 0, 100 * 2048, false));
             return r;
         },
         "The files of the file system together cover more than 8 times the image's sectors, more "
         "than any disc's do; the rest of them is not read."},
        {"path length", 1 << 20, 2048,
         [&](std::int64_t lsn) {
             return Records{PlainDirectoryRecord(long_name, lsn + 1, 2048, true)};
         },
         "holds a record whose path is longer than 255 characters; it is skipped."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::int64_t reads = 0;
        const BlockReader read = [&](std::int64_t lsn, std::span<std::uint8_t, kIsoBlockSize> out) {
            ++reads;
            std::fill(out.begin(), out.end(), 0);
            std::size_t at = 0;
            for (const Bytes& record : c.block(lsn)) {
                std::copy(record.begin(), record.end(),
                          out.begin() + static_cast<std::ptrdiff_t>(at));
                at += record.size();
            }
            return true;
        };
        FileSystem fs;
        WalkDirectories(read, c.image_sectors, 0, c.root_bytes, fs);
        ASSERT_FALSE(fs.warnings.empty());
        EXPECT_TRUE(fs.warnings.back().ends_with(c.last_warning)) << fs.warnings.back();
        EXPECT_EQ(fs.warnings.back() == fs.cut_short, fs.cut_short.size() > 0);
        EXPECT_LE(reads, 1024);
        EXPECT_LE(fs.files.size(), 32768u);
    }
}

class Files : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(Files, CueSheetsStandForTheirDataTrack) {
    // A data track starts with a sync pattern and mode 2; audio follows it in a single-file cue.
    const RawSector first = Form1({});
    Bytes track(first.begin(), first.end());
    track.resize(2352 * 20, 0);
    WriteBytes(dir / "game (Track 1).bin", track);
    const auto cue = [&](const std::string& name, const std::string& text) {
        WriteText(dir / name, text);
        return dir / name;
    };
    const std::string track1 = "FILE \"game (Track 1).bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n";
    const auto good = cue("game.CUE", track1 +
                                          "    INDEX 01 00:00:00\r\nFILE \"game (Track 2).bin\" "
                                          "BINARY\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n"
                                          "    INDEX 01 00:02:00\r\n");
    EXPECT_EQ(DataTrackOf(good), dir / "game (Track 1).bin");
    EXPECT_EQ(ResolveImage(good).sectors, -1);
    EXPECT_EQ(DataTrackOf(dir / "x.bin"), dir / "x.bin");
    EXPECT_EQ(CueDataTrack("FILE \"CD\\game.bin\" BINARY\nTRACK 01 MODE2/2352\nINDEX 01 00:00:00\n",
                           "/d/game.cue"),
              "/d/CD/game.bin");
    // Old Mac line ends; track 2 in the same file ends the data track at its pregap.
    const DataTrack single =
        ResolveImage(cue("one.cue",
                         "FILE \"game (Track 1).bin\" BINARY\r TRACK 01 MODE2/2352\r"
                         " INDEX 01 00:00:00\r TRACK 02 AUDIO\r INDEX 00 00:00:12\r"
                         " INDEX 01 00:00:14\r"));
    EXPECT_EQ(single.bin, dir / "game (Track 1).bin");
    EXPECT_EQ(single.sectors, 12);
    EXPECT_EQ(single.other_sectors, 8);

    // Files a hostile or mistaken cue may name instead of a data track.
    WriteText(dir / "thesis.txt", "My thesis.\n");
    WritePatternFile(dir / "pattern.bin", 1, 2);
    const RawSector mode1 = [] {
        RawSector s = Form1({});
        s[kModeOffset] = 1;
        return s;
    }();
    WriteBytes(dir / "mode1.bin", Bytes(mode1.begin(), mode1.end()));
    Bytes chd(4096, 0);
    std::copy_n("MComprHD", 8, chd.begin());
    WriteBytes(dir / "game.chd", chd);
    std::filesystem::create_symlink("bad.cue", dir / "link.cue");
    const auto naming = [&](const std::string& file) {
        return "FILE \"" + file + "\" BINARY\n TRACK 01 MODE2/2352\n INDEX 01 00:00:00\n";
    };
    const auto track_file = [&](const std::string& file) {
        return "the file of track 1, " + DisplayPath(dir / file) + ", ";
    };
    const std::string not_track = "; it is not a raw data track.";

    const std::vector<std::pair<std::string, std::string>> refusals = {
        {"FILE \"a.iso\" BINARY\n TRACK 01 MODE1/2048\n INDEX 01 00:00:00\n",
         "track 1 is MODE1/2048; VORLIX works on MODE2/2352 data tracks."},
        {"FILE \"a.bin\" BINARY\n TRACK 01 MODE1/2352\n INDEX 01 00:00:00\n",
         "track 1 is MODE1/2352; VORLIX works on MODE2/2352 data tracks."},
        {"FILE \"a.bin\" BINARY\n TRACK 01 MODE2/2336\n INDEX 01 00:00:00\n",
         "track 1 is MODE2/2336; VORLIX works on MODE2/2352 data tracks."},
        {"FILE \"a.bin\" BINARY\n TRACK 02 MODE2/2352\n INDEX 01 00:00:00\n",
         "it has no track 1 (its first track is TRACK 02); VORLIX needs the data track as track "
         "1."},
        {"FILE \"a.wav\" WAVE\n TRACK 01 MODE2/2352\n INDEX 01 00:00:00\n",
         "the file of track 1 is of type WAVE; the data track must be a BINARY file."},
        {track1 + "INDEX 00 00:00:00\nINDEX 01 00:02:00\n",
         "track 1 starts 150 sectors into its file; VORLIX needs the data track at byte 0 of its "
         "file."},
        {naming("gone.bin"), track_file("gone.bin") + "does not exist."},
        {"this is no cue sheet\n", "it is not a cue sheet that can be read."},
        {naming("bad.cue"), track_file("bad.cue") + "is the cue sheet itself."},
        {naming("link.cue"), track_file("link.cue") + "is the cue sheet itself."},
        {naming("thesis.txt"), track_file("thesis.txt") +
                                   "holds 11 bytes, not a whole number of 2352-byte sectors" +
                                   not_track},
        {naming("pattern.bin"),
         track_file("pattern.bin") + "has no sync pattern in its first sector" + not_track},
        {naming("mode1.bin"), track_file("mode1.bin") +
                                  "has mode byte 1 in its first sector, not 2; it is not a "
                                  "MODE2/2352 data track."},
        {naming("game.chd"), track_file("game.chd") +
                                 "is a CHD (compressed hunks of data) image; VORLIX needs a raw "
                                 "image of 2352-byte sectors (MODE2/2352)."},
        {std::string(1 << 20, ' ') + naming("game (Track 1).bin"),
         "it holds " + std::to_string((1 << 20) + naming("game (Track 1).bin").size()) +
             " bytes, more than a cue sheet's limit of 1 MiB (1048576 bytes)."}};
    for (const auto& [text, reason] : refusals) {
        const auto c = cue("bad.cue", text);
        EXPECT_EQ(FailureOf([&] { DataTrackOf(c); }),
                  "Cannot use " + DisplayPath(c) + ": " + reason);
    }
    EXPECT_THROW(CueDataTrack(std::string("FILE \"a\0b\"", 10), dir / "nul.cue"), Failure);
    EXPECT_THROW(DataTrackOf(dir / "absent.cue"), Failure);
}

TEST_F(Files, ImagesOfOtherKindsAreRefusedByWhatTheyAre) {
    const auto image = [&](std::size_t offset, std::string_view magic) {
        Bytes bytes(40000, 0);
        std::copy(magic.begin(), magic.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        WriteBytes(dir / "game.bin", bytes);
        return dir / "game.bin";
    };
    using namespace std::string_view_literals;
    const std::vector<std::tuple<std::size_t, std::string_view, std::string>> kinds = {
        {32768, "\1CD001"sv, "an ISO image of 2048-byte sectors"},
        {37384, "\1CD001"sv, "an image of 2336-byte Mode 2 sectors"},
        {0, "MComprHD"sv, "a CHD (compressed hunks of data) image"},
        {0, "ECM\0"sv, "an ECM file (error code modeler)"}};
    for (const auto& [offset, magic, kind] : kinds) {
        const auto file = image(offset, magic);
        EXPECT_EQ(FailureOf([&] { DataTrackOf(file); }),
                  "Cannot use " + DisplayPath(file) + ": it is " + kind +
                      "; VORLIX needs a raw image of 2352-byte sectors (MODE2/2352).");
    }
}

}  // namespace
}  // namespace vorlix::test
