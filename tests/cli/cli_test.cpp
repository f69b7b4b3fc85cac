#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "base/program_directory.h"
#include "cli_fixture.h"
#include "image/blank_substitution.h"
#include "support/streams.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::SectorsOf;

using test::Cli;
using test::ExpectCli;
using CliRun = test::CliOutcome;

class CommandLine : public test::CliFixture {
protected:
    CommandLine() : CliFixture({"0:9:20", "10:419:0", "420:429:10", "430:439:99", "440:449:1"}) {}
};

TEST_F(CommandLine, UsageErrorsExitTwoWithTheUsage) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{},
                                               {"frobnicate"},
                                               {"list"},
                                               {"list", "a", "b"},
                                               {"backup", list, image, "0", "x"},
                                               {"backup", list, image, "two", "x"},
                                               {"restore", list, image, "1", "x", "--overwrite"},
                                               {"rip", list, image, "--type", "3"},
                                               {"rip", list, image, "--type", "1=TIM"},
                                               {"rip", list, image, "--type", "1=x7"},
                                               {"rip", list, image, "--type", "1="},
                                               {"rip", list, image, "--blanks"},
                                               {"rip", list, image, "--blanks", "--dry-run"},
                                               {"rip", list, image, "--type", "--dry-run"}}) {
        EXPECT_TRUE(ExpectCli(args, 2, "Usage:").out.empty());
    }
    ExpectImageUnchanged();
    // A position past the list is a refusal, not a usage error.
    ExpectCli({"backup", list, image, "9", "x"}, 1, "no entry 9");
    EXPECT_EQ(Cli({"--version"}).out, "Version: 1.05 Build: 09\n");
    ExpectCli({"rip", "--help"}, 0, "vorlix-cli rip LIST IMAGE");
}

// One row per entry, even where a field holds a bare line feed or a tab (lines end in CR LF):
// those are written as escapes, so that scripts reading the rows see every entry in its place.
TEST_F(CommandLine, ListShowsWhatTheWindowShowsOneRowPerEntry) {
    test::WriteText(list, test::ListText({"10:20:10", "7:3:1", "5", "", "1:2: 10", "1:2:3:4",
                                          "4:9\n1:99", "4\t:9:99"}));
    EXPECT_EQ(ExpectCli({"list", list}, 0).out,
              "1\t10\t20\t11\tXA\n"
              "2\t7\t3\t-3\tST1\n"
              "3\t5\t\t-4\t???\n"
              "4\t\t\t1\t???\n"
              "5\t1\t2\t2\t???\n"
              "6\t1\t2\t2\t???\n"
              "7\t4\t9\\n1\t88\tDUM\n"
              "8\t4\\t\t9\t6\tDUM\n");
    const std::string rows = ExpectCli({"rip", list, image, "--dry-run"}, 0).out;
    EXPECT_NE(rows.find("\n7\t4\t9\\n1\tDUM\tsectors 4-91 zero sectors\n"), std::string::npos)
        << rows;
}

TEST_F(CommandLine, BackupRefusesToReplaceAFileUnlessAskedTo) {
    const std::string file = (dir / "10.ST0").string();
    test::WriteText(file, "keep me");
    const CliRun r = ExpectCli({"backup", list, image, "2", file}, 1, "already exists");
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << "one line on standard error";
    EXPECT_EQ(ReadBytes(file), Bytes({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));

    ExpectCli({"backup", list, image, "2", file, "--overwrite"}, 0);
    EXPECT_EQ(ReadBytes(file), SectorsOf(before, 10, 410));
}

TEST_F(CommandLine, ReplaceSaysWhenAnEntryIsLeftAlone) {
    const std::string source = (dir / "src.bin").string();
    test::WritePatternFile(source, 6, 404);
    for (const char* position : {"1", "5"})  // a TIM entry, a 10-sector movie
        ExpectCli({"replace", list, image, position, source}, 0, "nothing written");
    ExpectImageUnchanged();
    ExpectCli({"replace", list, image, "3", source, "--no-xa-headers"}, 0);
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 420, 1), test::PatternSector(6, 0));
    EXPECT_EQ(SectorsOf(after, 421, 9), Bytes(9 * 2352, 0));
}

// What each entry gets is the core's (tests/image/rip_test.cpp); here, what the options reach.
TEST_F(CommandLine, RipWithTypeChangesBlanksAndDryRun) {
    const Bytes list_bytes = ReadBytes(list);
    // A leading number is read as the window reads it.
    const CliRun dry =
        ExpectCli({"rip", list, image, "--blanks", blanks, "--dry-run", "--type", "1=99abc"}, 0,
                  "1\t0\t9\tDUM\tsectors 0-9 zero sectors");
    EXPECT_TRUE(dry.Says("5\t440\t449\tST1\tnothing written")) << dry.out;
    ExpectImageUnchanged();

    const CliRun r = ExpectCli({"rip", list, image, "--blanks=" + blanks, "--type=1=99"}, 0);
    EXPECT_EQ(r.out.rfind("Rip Complete\nRipped 4 entries, 440 sectors written.\nNow blank: 82320 "
                          "bytes of the image's 1176000 (7.0 %). Disk space given back: ",
                          0),
              0u)
        << r.out;
    EXPECT_EQ(SectorsOf(ReadBytes(image), 0, 10), Bytes(10 * 2352, 0)) << "the TIM taken as DUM";
    EXPECT_EQ(ReadBytes(list), list_bytes) << "the list file is never written";
}

// Entry 2 starts with a movie of an unknown bitstream version, entry 5 is a whole movie, and the
// rest of the pattern image has no sector headers at all.
TEST_F(CommandLine, RipKeepingTheStructureSaysWhatItLeavesAloneBeforeAndAfter) {
    Bytes b = before;
    test::WriteMovie(b, {.first = 10, .version = 4, .frames = 2, .chunks = 5, .frame_size = 4000});
    test::WriteMovie(b, {.first = 440, .frames = 2, .chunks = 5, .frame_size = 4000});
    test::WriteBytes(image, b);
    const std::string notes =
        "entry 2: 10 sectors of video in a form VORLIX cannot keep; left alone\n"
        "entry 3: 10 sectors (420-429) without a Mode 2 header left alone\n"
        "entry 4: 10 sectors (430-439) without a Mode 2 header left alone\n";

    const CliRun dry = ExpectCli(
        {"rip", list, image, "--blanks", blanks, "--keep-structure", "--dry-run"}, 0,
        "2\t10\t419\tST0\tnothing written: 10 sectors of video in a form VORLIX cannot keep; left "
        "alone (sector 10: bitstream version 4)\n");
    EXPECT_TRUE(
        dry.Says("5\t440\t449\tST1\t10 sectors rewritten in place: 10 video sectors in 2 "
                 "black frames\n"))
        << dry.out;
    EXPECT_TRUE(dry.Says(
        "Dry run: 1 entry would be ripped, 10 sectors written; nothing was written.\n" + notes))
        << dry.out;
    EXPECT_EQ(ReadBytes(image), b);

    const CliRun r = ExpectCli({"rip", list, image, "--blanks", blanks, "--keep-structure"}, 0);
    EXPECT_TRUE(r.out.starts_with("Rip Complete\nRipped 1 entry, 10 sectors written.\n" + notes +
                                  "Now blank: 23520 bytes"))
        << r.out;
    EXPECT_EQ(test::ParseFrames(ReadBytes(image), 440, 10).size(), 2u);
}

// The rip into a new image is the core's (tests/image/rip_to_new_test.cpp); here, its refusals
// and the summary that names the copy.
TEST_F(CommandLine, RipToANewImageRefusesWhatOtherOutputsRefuseAndSaysHowItCopied) {
    const std::string bin = (dir / "new.bin").string();
    for (const std::string& output : {image, list, (dir / "blanks" / "blank.STR").string(),
                                      (dir / "blanks" / "blank.XA").string()})
        ExpectCli({"rip", list, image, "--blanks", blanks, "--output", output}, 1,
                  "Cannot write the new image to");
    test::WriteText(bin, "keep me");
    ExpectCli({"rip", list, image, "--blanks", blanks, "--output", bin}, 1,
              "already exists and is not empty; nothing was written.");
    ExpectImageUnchanged();
    const CliRun r =
        ExpectCli({"rip", list, image, "--blanks", blanks, "--output", bin, "--overwrite"}, 0,
                  "and ripped the copy; the original was only read.\n");
    EXPECT_TRUE(r.Says(" s as a reflink ") || r.Says(" s as a full copy ")) << r.out;
    ExpectImageUnchanged();
    ExpectCli(RipArgs(), 0);
    EXPECT_EQ(ReadBytes(bin), ReadBytes(image)) << "the copy ripped as the image in place";
    EXPECT_EQ(dir.Listing(), "blanks game.bin game.klv new.bin");
}

// The installed shape: the executable finds the generated blanks beside itself.
TEST_F(CommandLine, TheExecutableUsesTheBlanksBesideIt) {
    const std::filesystem::path exe = ProgramDirectory() / "vorlix-cli";
    ASSERT_TRUE(std::filesystem::exists(exe));
    const std::string command =
        exe.string() + " rip " + list + " " + image + " >" + (dir / "out.txt").string() + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test::ReadBytes(dir / "out.txt").data();
    const Bytes str = ReadBytes(ProgramDirectory() / "blanks" / "blank.STR");
    EXPECT_EQ(SectorsOf(ReadBytes(image), 10, 404), SectorsOf(str, 0, 404));
    EXPECT_EQ(std::system((exe.string() + " list >/dev/null 2>&1").c_str()) >> 8, 2);
}

}  // namespace
}  // namespace vorlix
