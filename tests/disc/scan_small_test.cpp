// The scan on small hand-made images: each kind of file, runs the sector walk finds, damaged file
// systems and cue sheets, and the written list read back.

#include <gtest/gtest.h>

#include <sstream>

#include "disc/cue_sheet.h"
#include "disc/file_system.h"
#include "disc/image_source.h"
#include "disc/scan.h"
#include "entries/entry_details.h"
#include "entries/list_reader.h"
#include "image/failure.h"
#include "image/program_version.h"
#include "image/sector_file.h"
#include "support/temp_dir.h"
#include "support/tiny_disc.h"

namespace vorlix::test {
namespace {

std::string Listed(const ScanResult& scan) {
    std::ostringstream out;
    for (const ScannedEntry& e : scan.entries)
        out << e.start << ":" << e.end << ":" << e.code << " ";
    return out.str();
}

std::string Warnings(const ScanResult& scan) {
    std::string all;
    for (const std::string& w : scan.warnings) all += w + "\n";
    return all;
}

Bytes Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A TIM of 16-bit pixels, w x h, with no CLUT.
Bytes TimHead(std::uint16_t w, std::uint16_t h) {
    return Cat({Le32(0x10),
                Le32(2),
                Le32(12 + std::uint32_t{w} * h * 2),
                {0, 0, 0, 0, static_cast<std::uint8_t>(w), 0, static_cast<std::uint8_t>(h), 0}});
}

class ScanSmall : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path bin = dir / "game.bin";

    ScanResult Scan(const Bytes& image) {
        WriteBytes(bin, image);
        return *ScanImage(bin);
    }
};

TEST_F(ScanSmall, ListsEachKindOfFileAndTheRunsInsideArchivesAndBetweenFiles) {
    const std::vector<TinyDirectory> dirs = {
        {18,
         {{"SYSTEM.CNF", 20, 100},
          {"MOVIE", 19, 2048, true},
          {"SOUND.XA", 30, 3 * 2048, false, 0x3D55},
          {"PIC.TIM", 33, 2048},
          {"BANK.VH", 34, 2048},
          {"BANK.VB", 35, 2 * 2048},
          {"TUNE.SEQ", 37, 2048},
          {"DUMMY.DAT", 38, 2048},
          {"ZERO.BIN", 39, 2 * 2048},
          {"ARCHIVE.BIN", 41, 12 * 2048},
          {"EMPTY.TXT", 0, 0},
          {"OTHER.TIM", 60, 2048}}},
        {19, {{"INTRO.STR", 21, 9 * 2048, false, 0x3D55}}},
    };
    Bytes image = TinyImage(64, dirs);
    for (int i = 0; i < 9; ++i) {
        if (i == 4)
            PutAudio(image, 21 + i);
        else
            PutVideo(image, 21 + i, 1 + i / 2, i % 2, 2);
    }
    for (int s = 30; s < 33; ++s) PutAudio(image, s);
    PutData(image, 33, TimHead(4, 4));
    PutData(image, 34, {'p', 'B', 'A', 'V'});
    PutData(image, 37, {'p', 'Q', 'E', 'S'});
    PutData(image, 39, {}), PutData(image, 40, {});
    // The archive: data, a movie of frames 1-2, straight on a movie of frames 1-2 with its sound,
    // data, ten XA sectors in a row, data.
    for (int i = 0; i < 4; ++i) PutVideo(image, 42 + i, 1 + i / 2, i % 2, 2);
    PutVideo(image, 46, 1, 0, 2), PutAudio(image, 47), PutVideo(image, 48, 1, 1, 2);
    for (int s = 50; s < 52; ++s) PutAudio(image, s);
    // Outside every file: a movie between the archive and the last file.
    for (int s = 54; s < 58; ++s) PutVideo(image, s, 1 + (s - 54) / 2, s % 2, 2);
    // A TIM whose pixel block is longer than the file.
    PutData(image, 60, TimHead(64, 64));

    const ScanResult scan = Scan(image);
    EXPECT_TRUE(scan.file_system);
    EXPECT_EQ(Listed(scan),
              "21:29:1 30:32:10 33:33:20 34:34:31 35:36:32 37:37:40 38:38:99 39:40:99 "
              "42:45:0 46:48:1 50:51:10 54:57:0 ");
    EXPECT_NE(Warnings(scan).find("/EMPTY.TXT is empty"), std::string::npos) << Warnings(scan);
    EXPECT_EQ(scan.entries[0].where, "/MOVIE/INTRO.STR");
    EXPECT_EQ(scan.entries[0].evidence, "8 STR video, 1 XA audio sectors, frames 1-5");
    EXPECT_EQ(scan.entries[8].where, "sector walk");
    EXPECT_EQ(scan.entries[8].evidence, "4 STR video sectors, frames 1-2; inside /ARCHIVE.BIN");

    // The written list reads back as exactly these entries.
    const std::string text = FormatEntryList(scan, "game.bin");
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "VORLIX list of game.bin, " + VersionLine());
    EXPECT_EQ(text.substr(text.size() - 3), ".\r\n");
    const std::vector<std::string> lines = ReadEntryLines(text);
    ASSERT_EQ(lines.size(), scan.entries.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const EntryDetails d = ShowEntryDetails(lines[i]);
        EXPECT_EQ(d.start, std::to_string(scan.entries[i].start));
        EXPECT_EQ(d.end, std::to_string(scan.entries[i].end));
        EXPECT_EQ(d.type_code, std::to_string(scan.entries[i].code));
        EXPECT_NE(d.type_name, "???");
    }
}

TEST_F(ScanSmall, WithoutAFileSystemOnlyTheWalkRunsAndSaysSo) {
    Bytes image = TinyImage(30, {});
    for (int s = 3; s < 7; ++s) PutVideo(image, s, 1 + (s - 3) / 2, (s - 3) % 2, 2);
    for (int s = 7; s < 17; ++s) PutAudio(image, s);  // too long to be the movie's own sound
    for (int s = 20; s < 22; ++s) PutVideo(image, s, 5 - (s - 20) * 4, 0, 1);  // frame drops
    const ScanResult scan = Scan(image);
    EXPECT_FALSE(scan.file_system);
    EXPECT_EQ(Listed(scan), "3:6:0 7:16:10 20:20:0 21:21:0 ");
    ASSERT_FALSE(scan.warnings.empty());
    EXPECT_EQ(scan.warnings[0],
              DisplayPath(bin) + " holds no ISO 9660 file system; only the sector walk ran.");
}

TEST_F(ScanSmall, DamagedFileSystemsAreSkippedWithAWarning) {
    // A directory that contains itself, another that contains its parent, a file past the end,
    // an absurd directory size, a truncated last sector.
    const std::vector<TinyDirectory> dirs = {
        {18,
         {{"SELF", 18, 2048, true},
          {"SUB", 19, 2048, true},
          {"FAR.STR", 25, 40 * 2048},
          {"HUGE", 20, 0xFFFFFFF0u, true},
          {"OK.SEQ", 22, 2048}}},
        {19, {{"UP", 18, 2048, true}, {"SUBOK.TIM", 23, 2048}}},
    };
    Bytes image = TinyImage(30, dirs);
    PutData(image, 22, {'p', 'Q', 'E', 'S'});
    PutData(image, 23, TimHead(2, 2));
    image.resize(image.size() - 100);
    const ScanResult scan = Scan(image);
    EXPECT_EQ(Listed(scan), "22:22:40 23:23:20 ");
    const std::string w = Warnings(scan);
    EXPECT_NE(w.find("ends 2252 bytes into sector 29; that partial sector is not scanned."),
              std::string::npos)
        << w;
    EXPECT_NE(w.find("The directory /SELF (sector 18) was already read"), std::string::npos) << w;
    EXPECT_NE(w.find("The directory /SUB/UP (sector 18) was already read"), std::string::npos);
    EXPECT_NE(w.find("The file /FAR.STR (sector 25, 81920 bytes) ends past the image's last "
                     "sector 28; it is skipped."),
              std::string::npos);
    EXPECT_NE(w.find("The directory /HUGE claims 4294967280 bytes"), std::string::npos);
}

TEST_F(ScanSmall, CueSheetsStandForTheirDataTrack) {
    WriteBytes(dir / "game (Track 1).bin", TinyImage(20, {}));
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
    EXPECT_EQ(ScanImage(good)->bin, dir / "game (Track 1).bin");
    EXPECT_EQ(DataTrackOf(dir / "x.bin"), dir / "x.bin");

    const auto refused = [&](const std::filesystem::path& c) {
        try {
            DataTrackOf(c);
        } catch (const Failure& f) {
            return std::string(f.what());
        }
        return std::string("accepted");
    };
    const std::string prefix = "Cannot use " + DisplayPath(dir / "");
    EXPECT_EQ(refused(cue("m1.cue",
                          "FILE \"a.iso\" BINARY\n TRACK 01 MODE1/2048\n INDEX 01 "
                          "00:00:00\n")),
              prefix + "m1.cue: track 1 is MODE1/2048; VORLIX works on MODE2/2352 data tracks.");
    EXPECT_EQ(refused(cue("gap.cue", track1 + "INDEX 00 00:00:00\nINDEX 01 00:02:00\n")),
              prefix +
                  "gap.cue: track 1 starts 150 sectors into its file; VORLIX needs the data "
                  "track at byte 0 of its file.");
    EXPECT_EQ(refused(cue("missing.cue",
                          "FILE \"gone.bin\" BINARY\nTRACK 01 MODE2/2352\nINDEX 01 "
                          "00:00:00\n")),
              prefix + "missing.cue: the file of track 1, " + DisplayPath(dir / "gone.bin") +
                  ", does not exist.");
    EXPECT_EQ(refused(cue("junk.cue", "this is no cue sheet\n")),
              prefix + "junk.cue: it is not a cue sheet that can be read.");
    EXPECT_THROW(CueDataTrack(std::string("FILE \"a\0b\"", 10), dir / "nul.cue"), Failure);
    EXPECT_THROW(DataTrackOf(dir / "absent.cue"), Failure);
}

TEST_F(ScanSmall, TheListIsWrittenWholeAndOnlyOverAnEmptyFileUnlessAllowed) {
    ScanResult scan;
    scan.entries = {{5, 9, 0, "", ""}, {10, 10, 99, "", ""}};
    const auto list = dir / "game.vlx";
    WriteEntryList(list, scan, "game.bin", false);
    EXPECT_EQ(ReadWholeFile(list), FormatEntryList(scan, "game.bin"));
    scan.entries.pop_back();
    EXPECT_THROW(WriteEntryList(list, scan, "game.bin", false), Failure);
    WriteEntryList(list, scan, "game.bin", true);
    EXPECT_EQ(ReadEntryLines(ReadWholeFile(list)), std::vector<std::string>{"5:9:0"});
    EXPECT_EQ(dir.Listing(), "game.vlx");
}

}  // namespace
}  // namespace vorlix::test
