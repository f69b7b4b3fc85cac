// vorlix-cli scan on the builder's image, and a cue sheet taken where any command takes an IMAGE.

#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "entries/list_reader.h"
#include "image/failure.h"
#include "image/program_version.h"
#include "image/sector_file.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

class ScanCommandLine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        disc_ = new BuiltDisc(BuildPsxDisc(dir_->path()));
    }
    static void TearDownTestSuite() {
        delete disc_;
        delete dir_;
    }
    static TempDir* dir_;
    static BuiltDisc* disc_;
    const std::string cue = disc_->cue.string();
    const std::string bin = disc_->bin.string();
    const std::string list = (dir_->path() / "game.vlx").string();

    void TearDown() override { std::filesystem::remove(list); }

    // The list the builder expects, as the scan writes it.
    std::string ExpectedList(const std::string& name) const {
        std::string text = "VORLIX list of " + name + ", " + VersionLine() + "\r\n";
        for (const ExpectedEntry& e : disc_->expected)
            text += std::to_string(e.start) + ":" + std::to_string(e.end) + ":" +
                    std::to_string(e.code) + "\r\n";
        return text + ".\r\n";
    }
};
TempDir* ScanCommandLine::dir_ = nullptr;
BuiltDisc* ScanCommandLine::disc_ = nullptr;

TEST_F(ScanCommandLine, PrintsTheListAndExplainsBesideIt) {
    const CliOutcome plain = Cli({"scan", cue});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out, ExpectedList("Test Disc.cue"));
    EXPECT_EQ(plain.err, "");

    const CliOutcome explained = Cli({"scan", bin, "--explain"});
    EXPECT_EQ(explained.out, ExpectedList("Test Disc (Track 1).bin"));
    EXPECT_NE(explained.err.find("176:1786:0 ST0 movie, from /MOVIE/OPENING.STR: 1611 STR video "
                                 "sectors, frames 1-200\n"),
              std::string::npos)
        << explained.err;
    EXPECT_NE(explained.err.find("XA audio, from sector walk: 40 XA audio sectors\n"),
              std::string::npos);
    EXPECT_NE(explained.err.find("; inside /DATA/ARCHIVE.BIN\n"), std::string::npos);
}

TEST_F(ScanCommandLine, WritesTheListOnlyOverAnEmptyFileUnlessToldToOverwrite) {
    const CliOutcome first = Cli({"scan", cue, "--output", list, "--explain"});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(ReadWholeFile(list), ExpectedList("Test Disc.cue"));
    EXPECT_NE(first.out.find("from /SOUND/BANK.VB"), std::string::npos);
    EXPECT_NE(first.out.find("Wrote 15 entries to " + DisplayPath(list)), std::string::npos);

    WriteText(list, "mine\r\n");
    const CliOutcome refused = Cli({"scan", cue, "--output=" + list});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "vorlix-cli: Cannot write " + DisplayPath(list) +
                               ": it already exists and is not empty; nothing was written.\n");
    EXPECT_EQ(ReadWholeFile(list), "mine\r\n");
    EXPECT_EQ(Cli({"scan", cue, "--output", list, "--overwrite"}).status, 0);
    EXPECT_EQ(ReadWholeFile(list), ExpectedList("Test Disc.cue"));

    // Never over the image or its cue sheet, --overwrite or not.
    for (const std::string& target : {bin, cue}) {
        const CliOutcome r = Cli({"scan", cue, "--output", target, "--overwrite"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("it is the image itself; nothing was written."), std::string::npos);
    }
    EXPECT_EQ(Cli({"scan", cue, list}).status, 2);
}

TEST_F(ScanCommandLine, OtherCommandsTakeTheCueForItsDataTrack) {
    ASSERT_EQ(Cli({"scan", cue, "--output", list}).status, 0);
    const std::string from_bin = (dir_->path() / "from-bin").string();
    const std::string from_cue = (dir_->path() / "from-cue").string();
    EXPECT_EQ(Cli({"backup", list, bin, "5", from_bin}).status, 0);
    const CliOutcome r = Cli({"backup", list, cue, "5", from_cue});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(from_cue), ReadBytes(from_bin));
    const CliOutcome dry = Cli({"rip", list, cue, "--dry-run"});
    EXPECT_NE(dry.out.find("would be ripped"), std::string::npos) << dry.err;
}

TEST_F(ScanCommandLine, ABareImageWithoutFileSystemIsWalkedAndSaysSoInOneLine) {
    DiscOptions options;
    options.no_file_system = true;
    const BuiltDisc bare = BuildPsxDisc(dir_->path() / "bare", options);
    const CliOutcome r = Cli({"scan", bare.bin.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "vorlix-cli: " + DisplayPath(bare.bin) +
                         " holds no ISO 9660 file system; only the sector walk ran.\n");
    EXPECT_EQ(ReadEntryLines(r.out).size(), bare.expected.size());
}

}  // namespace
}  // namespace vorlix::test
