#include <gtest/gtest.h>

#include "entries/entry_details.h"
#include "files/sector_file.h"
#include "image/blank_substitution.h"
#include "image/rip_all.h"
#include "sector/cd_sector.h"
#include "sector/mdec_frame.h"
#include "sector/sector_kind.h"
#include "support/built_disc.h"
#include "support/md5.h"
#include "support/streams.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::Le32;
using test::ReadBytes;
using test::SectorsOf;

constexpr WriteOptions kKeep{.keep_structure = true};

SectorView SectorIn(const Bytes& image, std::int64_t s) {
    return SectorView(image.data() + s * static_cast<std::int64_t>(kRawSectorSize), kRawSectorSize);
}

Bytes Slice(const Bytes& image, std::int64_t s, std::size_t from, std::size_t length) {
    const auto at = image.begin() + s * static_cast<std::int64_t>(kRawSectorSize) +
                    static_cast<std::ptrdiff_t>(from);
    return Bytes(at, at + static_cast<std::ptrdiff_t>(length));
}

TEST(BlackMdecFrame, AnySizeAndBothVersionsDecodeBlackByTheirOwnCodes) {
    struct Case {
        std::uint16_t width, height, version;
        std::size_t bytes;
    };
    // 320 x 240 in version 2 is blank.STR's frame; 200 x 120 rounds up to 13 x 8 macroblocks.
    for (const Case c : {Case{320, 240, 2, 2712}, Case{200, 120, 2, 948}, Case{320, 240, 3, 1064},
                         Case{200, 120, 3, 376}, Case{16, 16, 3, 16}, Case{1, 1, 2, 20}}) {
        const auto frame = BlackMdecFrame(c.width, c.height, c.version);
        ASSERT_TRUE(frame) << c.width << "x" << c.height << " v" << c.version;
        EXPECT_EQ(frame->size(), c.bytes) << c.width << "x" << c.height << " v" << c.version;
        EXPECT_EQ(test::BlackFrameProblem(*frame, c.width, c.height), "") << c.width;
    }
    // blank.STR's frame, pinned where its bytes are taken apart (tests/blanks).
    EXPECT_EQ(test::Md5Hex(*BlackMdecFrame(320, 240, 2)), "c0243477858a60dda6eb7b395ebc5ea7");
    EXPECT_FALSE(BlackMdecFrame(320, 240, 1));
    EXPECT_FALSE(BlackMdecFrame(320, 240, 4));
    EXPECT_FALSE(BlackMdecFrame(0xFFFF, 0xFFFF, 2)) << "its word count does not fit 16 bits";
}

// One sector read by the scan and by the kept rip. They differ on purpose: the rip trusts the
// first sub-header copy alone and takes the STR magic or the video bit alone as video, as it never
// zero-fills what may be video; the scan trusts only agreeing copies and a whole STR header.
TEST(SectorReadings, TheScanAndTheKeptRipEachKeepTheirOwnRule) {
    enum Keep { Foreign, Audio, Video, Empty };
    struct Row {
        const char* name;
        std::uint8_t mode, submode, second_submode;
        std::vector<std::uint8_t> head;  // the user data's first bytes
        SectorKind scan;
        Keep keep;
    };
    const std::vector<std::uint8_t> str = {0x60, 1, 1, 0x80, 1, 0, 2, 0, 7};
    const std::vector<Row> rows = {
        {"data", 2, 0x08, 0x08, {}, SectorKind::Data, Empty},
        {"Form 2 data", 2, 0x28, 0x28, {}, SectorKind::Data, Empty},
        {"audio", 2, 0x64, 0x64, {}, SectorKind::Audio, Audio},
        {"audio without Form 2", 2, 0x44, 0x44, {}, SectorKind::Data, Empty},
        {"audio with the video bit", 2, 0x66, 0x66, {}, SectorKind::Audio, Video},
        {"video bit alone", 2, 0x0A, 0x0A, {}, SectorKind::Data, Video},
        {"STR header", 2, 0x48, 0x48, str, SectorKind::Video, Video},
        {"STR header in Form 2", 2, 0x68, 0x68, str, SectorKind::Data, Video},
        {"STR magic, chunk past count",
         2,
         0x08,
         0x08,
         {0x60, 1, 1, 0x80, 2, 0, 2, 0, 7},
         SectorKind::Data,
         Video},
        {"STR magic, frame 0", 2, 0x08, 0x08, {0x60, 1, 1, 0x80, 0, 0, 2}, SectorKind::Data, Video},
        {"copies disagree", 2, 0x64, 0x24, {}, SectorKind::NotMode2, Audio},
        {"Mode 1", 1, 0x08, 0x08, {}, SectorKind::NotMode2, Foreign},
    };
    test::TempDir dir;
    Bytes bytes(SectorOffset(static_cast<std::int64_t>(rows.size())) + kRawSectorSize, 0);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MutableSectorView s(bytes.data() + SectorOffset(static_cast<std::int64_t>(i)),
                                  kRawSectorSize);
        WriteMode2Header(s, static_cast<std::int64_t>(i), {1, 3, rows[i].submode, 0});
        s[kModeOffset] = rows[i].mode;
        s[kSubHeaderOffset + 6] = rows[i].second_submode;
        std::ranges::copy(rows[i].head, s.begin() + kUserDataOffset);
    }
    test::WriteBytes(dir / "one.bin", bytes);
    SectorFile file(dir / "one.bin", OpenMode::ReadOnly);
    const auto sector_at = [&](std::int64_t i) {
        return SectorView(bytes.data() + SectorOffset(i), kRawSectorSize);
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        SCOPED_TRACE(r.name);
        const SectorLook look = LookAt(sector_at(static_cast<std::int64_t>(i)));
        EXPECT_EQ(look.kind, r.scan);
        EXPECT_EQ(look.channel, r.scan == SectorKind::NotMode2 ? 0 : 3);
        EXPECT_EQ(look.frame, r.scan == SectorKind::Video ? 7u : 0u);
        const StreamKeeping plan = PlanStreamKeeping(file, {static_cast<std::int64_t>(i), 1});
        EXPECT_EQ((std::array<std::int64_t, 4>{plan.foreign_sectors, plan.audio_sectors,
                                               plan.all_video_sectors, plan.empty_sectors}),
                  (std::array<std::int64_t, 4>{r.keep == Foreign, r.keep == Audio, r.keep == Video,
                                               r.keep == Empty}));
    }
    EXPECT_EQ(LookAt(sector_at(static_cast<std::int64_t>(rows.size()))).kind,
              SectorKind::NotMode2);  // no sync
}

// 200 x 120, 5 frames of 3 chunks, every 4th sector audio: 19 sectors.
test::SyntheticMovie Movie200(std::int64_t first) {
    return {first, 200, 120, 2, 5, 3, 5000, 1, 1, 4};
}

// A small image: data, a 200 x 120 movie with interleaved 4-bit audio and trailing data sectors
// (one of them Form 2 with no EDC, one Form 1 marked audio), a 320 x 240 version 3 movie, 8
// channels of XA in mixed codings (one channel's sectors without EDC), a dummy file, more data.
class KeepStructure : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path image = dir / "game.bin";
    std::filesystem::path blanks = dir / "blanks";
    Bytes before;
    const EntryLines lines = {"10:32:2", "33:44:0", "45:100:10", "101:107:99"};

    void SetUp() override {
        Bytes b;
        test::WriteData(b, 0, 10);
        test::WriteMovie(b, Movie200(10));
        test::WriteData(b, 29, 4, 1);
        MutableSectorView odd(b.data() + SectorOffset(32), kRawSectorSize);
        WriteMode2Header(odd, 32, {1, 0, kSubmodeForm2 | kSubmodeData, 0});
        std::fill(odd.begin() + kForm2EdcOffset, odd.end(), 0);
        // Form 1 with the audio bit: no sound groups to silence, so it is emptied as data is.
        MutableSectorView marked(b.data() + SectorOffset(31), kRawSectorSize);
        WriteMode2Header(marked, 31, {1, 0, kSubmodeAudio | kSubmodeData, 0});
        SealForm1(marked);
        test::WriteMovie(b, {.first = 33,
                             .version = 3,
                             .frames = 6,
                             .chunks = 2,
                             .frame_size = 3800,
                             .channel = 0});
        test::WriteXa(b, 45, 48, 8, {0x01, 0x00, 0x05, 0x11, 0x10, 0x01, 0x04, 0x14});
        test::WriteXa(b, 93, 8, 8, {0x01}, true);
        test::WriteData(b, 101, 7, 3);
        test::WriteData(b, 108, 5, 4);
        test::WriteBytes(image, b);
        before = b;
        test::WritePatternBlanks(blanks);
    }

    RipAllReport Walk() { return RipAll(lines, image, blanks, test::WalkHooks(lines, kKeep)); }
};

// Each kind of sector is checked on the built disc; here the Form 2 data sector without EDC inside
// a movie entry (32) and the XA channel without EDC (93) keep none, and the counts add up.
TEST_F(KeepStructure, RipAllRewritesEveryEntryAndSectorsWithoutEdcKeepNone) {
    const RipAllReport report = Walk();
    const Bytes after = ReadBytes(image);
    const std::int64_t sectors = static_cast<std::int64_t>(after.size() / kRawSectorSize);
    EXPECT_EQ(report.entries_ripped, 4u);
    EXPECT_EQ(report.sectors_written, sectors - 15);
    EXPECT_TRUE(report.notes.empty());
    EXPECT_EQ(SectorsOf(after, 0, 10), SectorsOf(before, 0, 10));
    EXPECT_EQ(SectorsOf(after, sectors - 5, 5), SectorsOf(before, sectors - 5, 5));
    for (const std::int64_t s : {32, 93}) {
        EXPECT_TRUE(CheckSector(SectorIn(after, s), s).ok()) << s;
        EXPECT_EQ(Le32(after, s, 0x92C), 0u) << s;
        EXPECT_NE(SectorsOf(after, s, 1), SectorsOf(before, s, 1)) << s;
    }
    EXPECT_EQ(Slice(after, 32, 0x18, 0x914), Bytes(0x914, 0));
    EXPECT_TRUE(test::IsSilentXa(after, 93));
}

TEST_F(KeepStructure, ShortMoviesAreKeptAndTheOptionOffStillCopiesTheBlanks) {
    // 23 sectors: under the 404 a plain rip needs, so only the kept rip writes it.
    const EntryLabels movie{"10", "23", "ST2"};
    EXPECT_EQ(RipEntry(movie, image, blanks, {}), 0);
    EXPECT_EQ(ReadBytes(image), before);
    PlannedRip planned;
    EXPECT_EQ(RipEntry(movie, image, blanks, kKeep, {}, Flush::Now, &planned), 23);
    const StreamKeeping& kept = planned.kept.value();
    EXPECT_EQ(kept.frames, 5);
    EXPECT_EQ(kept.video_sectors, 15);
    EXPECT_EQ(kept.audio_sectors, 4);
    EXPECT_EQ(kept.empty_sectors, 4);
}

TEST_F(KeepStructure, PartialFramesAtTheEdgesAndSectorsWithoutSyncStayAsTheyWere) {
    // The movie's frames lie at 10-12, 14-16, 18-20, 22-24 and 26-28, audio at 13, 17, 21, 25.
    Bytes b = before;
    std::fill_n(b.begin() + SectorOffset(17), kRawSectorSize, 0);  // an audio sector, erased
    test::WriteBytes(image, b);
    PlannedRip planned;
    // Sectors 11..27: frame 1's last two chunks, frames 2..4 whole, frame 5's first two chunks.
    RipEntry({"11", "17", "ST0"}, image, blanks, kKeep, {}, Flush::Now, &planned);
    const StreamKeeping& kept = planned.kept.value();
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(kept.partial_frames, 2);
    EXPECT_EQ(kept.partial_frame_sectors, 4);
    EXPECT_EQ(kept.frames, 3);
    EXPECT_EQ(kept.foreign_sectors, 1);
    EXPECT_EQ(kept.Notes(),
              (std::vector<std::string>{"2 partial frames (4 sectors: 11-12, 26-27) at the entry's "
                                        "edges left alone",
                                        "1 sector (17) without a Mode 2 header left alone"}));
    for (std::int64_t s = 11; s < 28; ++s)  // the cut frames and the erased sector as they were
        EXPECT_EQ(SectorsOf(after, s, 1) == SectorsOf(b, s, 1), s < 13 || s == 17 || s > 25) << s;
    EXPECT_EQ(SectorsOf(after, 28, 85), SectorsOf(b, 28, 85));
}

// An entry too long to hold in memory is read again batch by batch; a frame across two batches
// is whole all the same. Any rippable type is analysed alike: here a dummy that holds a movie.
TEST_F(KeepStructure, LongEntriesAreRewrittenBatchByBatch) {
    Bytes b;
    test::WriteData(b, 0, 16570, 0, false);
    test::WriteMovie(b, Movie200(16570));
    test::WriteBytes(image, b);
    PlannedRip planned;
    EXPECT_EQ(RipEntry({"0", "16589", "DUM"}, image, blanks, kKeep, {}, Flush::Now, &planned),
              16589);
    const StreamKeeping& kept = planned.kept.value();
    EXPECT_EQ(kept.frames, 5);
    const Bytes after = ReadBytes(image);
    const auto frames = test::ParseFrames(after, 16570, 19);
    ASSERT_EQ(frames.size(), 5u);
    for (const test::ParsedFrame& f : frames)
        EXPECT_EQ(test::BlackFrameProblem(f.bytes, f.width, f.height), "") << f.number;
    for (std::int64_t s = 0; s < 16589;
         s = s < 16570 ? std::min<std::int64_t>(s + 97, 16570) : s + 1)
        EXPECT_TRUE(CheckSector(SectorIn(after, s), s).ok()) << s;
    EXPECT_EQ(Slice(after, 16000, 0x18, 2048), Bytes(2048, 0));
}

// Each way of video the rewrite does not understand leaves the whole entry as it is.
TEST_F(KeepStructure, VideoItCannotKeepLeavesTheEntryAloneAndTheWalkGoesOn) {
    struct Fault {
        const char* name;
        std::int64_t sector;  // of the 200 x 120 movie (10..28; audio at 13, 17, 21, 25)
        std::size_t at;       // byte to set, or 0 for the special cases below
        std::uint32_t value;
        int bytes;
        std::int64_t video = 15;  // sectors of video the note counts
    };
    const std::vector<Fault> faults = {
        {"version 4", 15, 0x18 + 0x1A, 4, 2},
        {"version 1", 11, 0x18 + 0x1A, 1, 2},
        {"width 0", 14, 0x18 + 0x10, 0, 2},
        {"height 0", 14, 0x18 + 0x12, 0, 2},
        {"scale 0", 14, 0x18 + 0x18, 0, 2},
        {"scale 64", 14, 0x18 + 0x18, 64, 2},
        {"no 3800", 14, 0x18 + 0x16, 0x3801, 2},
        {"word count 0", 14, 0x18 + 0x14, 0, 2},
        {"reserved word", 14, 0x18 + 0x1C, 1, 4},
        {"frame number 0", 10, 0x18 + 0x08, 0, 4},
        {"chunk index past count", 14, 0x18 + 0x04, 3, 2},
        {"frame size past chunks", 14, 0x18 + 0x0C, 3 * 2016 + 4, 4},
        {"channel 32", 14, 0x11, 32, 1},
        {"frame too small for black", 0, 0, 0, 0},
        {"chunk lost mid-entry", 0, 0, 1, 0, 14},
        {"Form 2 video", 0, 0, 2, 0},
        {"video submode without header", 0, 0, 3, 0, 16},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        Bytes b = before;
        const auto set = [&](std::int64_t s, std::size_t at, std::uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i)
                b[SectorOffset(s) + at + i] = static_cast<std::uint8_t>(value >> (8 * i));
            b[SectorOffset(s) + at + (at >= 0x10 && at < 0x14 ? 4 : 0)] = b[SectorOffset(s) + at];
        };
        if (f.at != 0) {
            set(f.sector, f.at, f.value, f.bytes);
        } else if (f.value == 0) {
            for (std::int64_t s = 10; s < 29; ++s)
                if (Le32(before, s, 0x18) == 0x80010160) set(s, 0x18 + 0x0C, 900, 4);
        } else if (f.value == 1) {
            test::WriteData(b, 19, 1);  // frame 3's chunk 1, between whole frames
        } else if (f.value == 2) {
            set(15, 0x12, 0x48 | kSubmodeForm2, 1);
        } else {
            test::WriteData(b, 30, 1);
            set(30, 0x12, kSubmodeVideo, 1);
        }
        test::WriteBytes(image, b);

        const std::vector<PlannedRip> plan = PlanRipAll(lines, image, blanks, kKeep);
        ASSERT_TRUE(plan[0].kept);
        EXPECT_TRUE(plan[0].kept->LeftAlone());
        EXPECT_EQ(EntryNotes(0, *plan[0].kept),
                  std::vector<std::string>{"entry 1: " + std::to_string(f.video) +
                                           " sectors of video in a form VORLIX cannot keep; "
                                           "left alone"});
        EXPECT_EQ(ReadBytes(image), b) << "the dry run writes nothing";

        const RipAllReport report = Walk();
        EXPECT_EQ(report.notes, EntryNotes(0, *plan[0].kept));
        EXPECT_EQ(report.entries_ripped, 3u);
        const Bytes after = ReadBytes(image);
        EXPECT_EQ(SectorsOf(after, 10, 23), SectorsOf(b, 10, 23));
        EXPECT_NE(SectorsOf(after, 33, 12), SectorsOf(b, 33, 12)) << "the next entry is ripped";
    }
}

}  // namespace
}  // namespace vorlix
