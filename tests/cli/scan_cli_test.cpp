// vorlix-cli scan on the builder's image, and a cue sheet taken where any command takes an IMAGE.

#include <gtest/gtest.h>

#include "base/failure.h"
#include "base/program_version.h"
#include "cli_fixture.h"
#include "entries/list_reader.h"
#include "files/sector_file.h"
#include "support/built_disc.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

// One built disc for the whole program, removed at its exit; each test removes its own list.
struct Built {
    TempDir dir;
    BuiltDisc disc = BuildPsxDisc(dir.path());
};

class ScanCommandLine : public ::testing::Test {
protected:
    static const Built& Shared() {
        static const Built built;
        return built;
    }
    const BuiltDisc& disc = Shared().disc;
    const std::filesystem::path dir = Shared().dir.path();
    const std::string cue = disc.cue.string();
    const std::string bin = disc.bin.string();
    const std::string list = (dir / "game.vlx").string();

    void TearDown() override { std::filesystem::remove(list); }

    // The list the builder expects, as the scan writes it.
    std::string ExpectedList(const std::string& name) const {
        std::string text = "VORLIX list of " + name + ", " + VersionLine() + "\r\n";
        for (const std::string& line : ExpectedLines(disc)) text += line + "\r\n";
        return text + ".\r\n";
    }
};

TEST_F(ScanCommandLine, PrintsOrWritesTheListAndExplainsBesideIt) {
    const CliOutcome plain = ExpectCli({"scan", cue}, 0);
    EXPECT_EQ(plain.out, ExpectedList("Test Disc.cue"));
    EXPECT_EQ(plain.err, "");

    const CliOutcome explained = Cli({"scan", bin, "--explain"});
    EXPECT_EQ(explained.out, ExpectedList("Test Disc (Track 1).bin"));
    for (const char* told :
         {"176:1786:0 ST0 movie, from /MOVIE/OPENING.STR: 1611 STR video "
          "sectors, frames 1-200\n",
          "XA audio, from sector walk: 40 XA audio sectors\n", "; inside /DATA/ARCHIVE.BIN\n"})
        EXPECT_NE(explained.err.find(told), std::string::npos) << explained.err;

    // The same list written to a file, only over an empty one unless told to overwrite.
    const CliOutcome first =
        ExpectCli({"scan", cue, "--output", list, "--explain"}, 0, "from /SOUND/BANK.VB");
    EXPECT_EQ(ReadWholeFile(list), ExpectedList("Test Disc.cue"));
    EXPECT_TRUE(first.Says("Wrote 15 entries to " + DisplayPath(list))) << first.out;
    WriteText(list, "mine\r\n");
    EXPECT_EQ(ExpectCli({"scan", cue, "--output=" + list}, 1).err,
              "vorlix-cli: Cannot write " + DisplayPath(list) +
                  ": it already exists and is not empty; nothing was written.\n");
    EXPECT_EQ(ReadWholeFile(list), "mine\r\n");
    ExpectCli({"scan", cue, "--output", list, "--overwrite"}, 0);
    EXPECT_EQ(ReadWholeFile(list), ExpectedList("Test Disc.cue"));

    // Never over the image or its cue sheet, --overwrite or not.
    for (const std::string& target : {bin, cue})
        ExpectCli({"scan", cue, "--output", target, "--overwrite"}, 1,
                  "it is the image itself; nothing was written.");
    ExpectCli({"scan", cue, list}, 2);
}

TEST_F(ScanCommandLine, OtherCommandsTakeTheCueForItsDataTrack) {
    ExpectCli({"scan", cue, "--output", list}, 0);
    const std::string from_bin = (dir / "from-bin").string();
    const std::string from_cue = (dir / "from-cue").string();
    ExpectCli({"backup", list, bin, "5", from_bin}, 0);
    ExpectCli({"backup", list, cue, "5", from_cue}, 0);
    EXPECT_EQ(ReadBytes(from_cue), ReadBytes(from_bin));
    ExpectCli({"rip", list, cue, "--dry-run"}, 0, "would be ripped");
    // A write through a cue names the file it changed.
    ExpectCli({"restore", list, cue, "5", from_cue}, 0,
              "from " + DisplayPath(from_cue) + ", written to " + DisplayPath(bin) + "\n");

    // A list over the file system (made for another image, or from a damaged record) is told of,
    // not refused.
    WriteText(list, ListText({"10:309:99"}));
    const std::string warning =
        "vorlix-cli: Entry 1 (DUM, sectors 10-309) covers the system area (sectors 0-15), the "
        "primary volume descriptor (sector 16), the volume descriptor set terminator (sector 17), "
        "the path table (L) (sector 18) and 6 more of the image's file system.\n";
    EXPECT_EQ(ExpectCli({"rip", list, cue, "--dry-run"}, 0, "would be ripped").err, warning);
    EXPECT_EQ(ExpectCli({"verify", cue, "--list", list}, 0).err, warning);
}

TEST_F(ScanCommandLine, ACueAimsNoWriteAtAFileThatIsNoDataTrack) {
    ExpectCli({"scan", cue, "--output", list}, 0);
    std::filesystem::create_directories(dir / "docs");
    WriteText(dir / "docs" / "thesis.txt", "My thesis.\n");
    for (const std::string& target :
         {std::string("Test Disc.cue"), std::string("../docs/thesis.txt")}) {
        const BuiltDisc hostile = BuildPsxDisc(dir / "hostile", {.cue_track_file = target});
        const Bytes named = ReadBytes(hostile.cue.parent_path() / target);
        const std::string said = target == "Test Disc.cue" ? "is the cue sheet itself."
                                                           : "holds 11 bytes, not a whole number";
        ExpectCli({"rip", list, hostile.cue.string()}, 1, said);
        ExpectCli({"replace", list, hostile.cue.string(), "1", bin}, 1, said);
        EXPECT_EQ(ReadBytes(hostile.cue.parent_path() / target), named);
    }
}

TEST_F(ScanCommandLine, ImagesOfOtherSectorSizesAreRefusedByEveryCommandBeforeAnyWrite) {
    ExpectCli({"scan", cue, "--output", list}, 0);
    for (const int size : {2048, 2336}) {
        const BuiltDisc other = BuildPsxDisc(dir / "other", {.sector_size = size});
        const std::string image = other.bin.string(), file = (dir / "other" / "file").string();
        WriteBytes(file, Bytes(2352 * 2000, 1));
        const Bytes before = ReadBytes(image);
        const std::string said = size == 2048 ? "is an ISO image of 2048-byte sectors; VORLIX needs"
                                              : "is an image of 2336-byte Mode 2 sectors; VORLIX";
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"scan", image, "--output", file + ".vlx"},
                                                   {"verify", image},
                                                   {"backup", list, image, "1", file + ".new"},
                                                   {"restore", list, image, "1", file},
                                                   {"replace", list, image, "1", file},
                                                   {"rip", list, image}})
            ExpectCli(args, 1, said);
        EXPECT_EQ(ReadBytes(image), before);
        EXPECT_FALSE(std::filesystem::exists(file + ".vlx") ||
                     std::filesystem::exists(file + ".new"));
    }
}

TEST_F(ScanCommandLine, ABareImageWithoutFileSystemIsWalkedAndSaysSoInOneLine) {
    const BuiltDisc bare = BuildPsxDisc(dir / "bare", {.no_file_system = true});
    const CliOutcome r = ExpectCli({"scan", bare.bin.string()}, 0);
    EXPECT_EQ(r.err, "vorlix-cli: " + DisplayPath(bare.bin) +
                         " holds no ISO 9660 file system; only the sector walk ran.\n");
    EXPECT_EQ(ReadEntryLines(r.out).size(), bare.expected.size());
}

}  // namespace
}  // namespace vorlix::test
