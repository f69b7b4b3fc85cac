// verify on the builder's realistic image: sound as built, exactly the damage a plain rip
// explains, sound again after a rip with --valid-sectors or --keep-structure. Single flipped bits
// in every area of a sector are found in tests/image/verify_test.cpp.

#include <gtest/gtest.h>

#include <set>

#include "cli_fixture.h"
#include "entries/list_reader.h"
#include "files/sector_file.h"
#include "image/blank_substitution.h"
#include "image/image_verify.h"
#include "image/replace_engine.h"
#include "support/built_disc.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

using Sectors = std::set<std::int64_t>;

class VerifyDisc : public ::testing::Test {
protected:
    TempDir dir;
    BuiltDisc disc = BuildPsxDisc(dir.path());
    const std::string bin = disc.bin.string();
    const std::string list = (dir / "game.vlx").string();

    void SetUp() override { WriteText(list, ListText(ExpectedLines(disc))); }

    static Sectors Of(const VerifyReport& report, SectorProblem kind) {
        Sectors out;
        for (const SectorRun& r : report.runs[static_cast<std::size_t>(kind)])
            for (std::int64_t s = r.first; s < r.first + r.count; ++s) out.insert(s);
        return out;
    }
};

// Each rip of the whole list through the cue, then verify. A plain rip leaves exactly the damage
// its entries explain: copies of the blanks keep the addresses they were made at, the XA filler
// claims 25:26:33, the rest of the movies and the dummies are zero sectors, given back as holes
// where the file system has them. With --valid-sectors or --keep-structure nothing is wrong.
TEST_F(VerifyDisc, EachRipLeavesWhatItsOptionsPromise) {
    ExpectCli({"verify", disc.cue.string()}, 0, ", 0 with problems.\nNo problems found.\n");

    Sectors wrong_address, empty;
    for (const ExpectedEntry& e : disc.expected) {
        const std::int64_t n = e.end - e.start + 1;
        if ((e.code <= 2 && n >= kStSourceSectors) || e.code == 10)
            for (std::int64_t s = e.start; s <= e.end; ++s)
                (e.code == 10 || s < e.start + kStSourceSectors ? wrong_address : empty).insert(s);
        if (e.code == 99)
            for (std::int64_t s = e.start; s <= e.end; ++s) empty.insert(s);
    }
    ASSERT_FALSE(wrong_address.empty());
    ASSERT_FALSE(empty.empty());

    const Bytes original = ReadBytes(disc.bin);
    for (const char* option : {"", "--valid-sectors", "--keep-structure"}) {
        SCOPED_TRACE(option);
        WriteBytes(disc.bin, original);
        const std::uint64_t allocated = DiskUseOf(disc.bin).allocated;
        std::vector<std::string> args = {"rip", list, disc.cue.string()};
        if (*option) args.push_back(option);
        ExpectCli(args, 0, *option ? "Disk space given back: 0 bytes" : "Disk space given back: ");
        const VerifyReport report = VerifyImage(disc.bin);
        if (*option) {
            EXPECT_TRUE(report.clean()) << report.sectors_with_problems;
            continue;
        }
        EXPECT_EQ(Of(report, SectorProblem::WrongAddress), wrong_address);
        EXPECT_EQ(Of(report, SectorProblem::Empty), empty);
        EXPECT_EQ(report.sectors_with_problems,
                  static_cast<std::int64_t>(wrong_address.size() + empty.size()));
        // At least half of the zero sectors' bytes come back as holes, where there are holes.
        const std::uint64_t now = DiskUseOf(disc.bin).allocated;
        if (now < allocated) {
            EXPECT_GE(allocated - now, SectorOffset(static_cast<std::int64_t>(empty.size())) / 2);
        }

        // Told by the file system's files, or by the list's entries.
        ExpectCli({"verify", bin}, 3, ": /MOVIE/OPENING.STR\n");
        ExpectCli({"verify", bin, "--list", list}, 3, " (ST0)");
    }
}

TEST_F(VerifyDisc, ASingleFileCueIsVerifiedAndScannedUpToItsAudioTrack) {
    const BuiltDisc single = BuildPsxDisc(dir / "single", {.single_bin = true});
    ExpectCli({"verify", single.cue.string()}, 0,
              ": " + std::to_string(single.sectors) +
                  " sectors, 0 with problems.\nLeft out 300 sectors of the audio tracks after the "
                  "data track in the same file.\n");
    ExpectCli({"scan", single.cue.string(), "--output", list, "--overwrite"}, 0);
    EXPECT_EQ(ReadEntryLines(ReadWholeFile(list)).size(), single.expected.size());

    // A list from elsewhere whose last entry reaches into the audio: every write through the cue
    // is refused before it starts, whatever the options, and the file stays as it was. Its first
    // entry is a movie, which any rip would rewrite.
    const std::string into_audio =
        std::to_string(single.sectors - 10) + ":" + std::to_string(single.sectors + 9) + ":99";
    const auto movie = std::ranges::find(single.expected, 0, &ExpectedEntry::code);
    ASSERT_NE(movie, single.expected.end());
    WriteText(list,
              ListText({std::to_string(movie->start) + ":" + std::to_string(movie->end) + ":0",
                        into_audio}));
    const std::string backup = (dir / "entry.bak").string();
    WriteBytes(backup, Bytes(20 * 2352, 0));
    const Bytes before = ReadBytes(single.bin);
    const std::string cue = single.cue.string();
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"rip", list, cue},
             {"rip", list, cue, "--keep-structure"},
             {"rip", list, cue, "--keep-structure", "--valid-sectors"},
             {"replace", list, cue, "2", backup},
             {"restore", list, cue, "2", backup, "--valid-sectors"}}) {
        ExpectCli(args, 1,
                  "the data track ends at sector " + std::to_string(single.sectors - 1) +
                      ", and the sectors after it hold the cue's other tracks");
    }
    EXPECT_EQ(ReadBytes(single.bin), before);
}

// A file system beyond the walk's caps: every sector is checked, no file named, and why said once.
TEST(VerifyBomb, LabelsRangesNoFileAndSaysWhyOnce) {
    TempDir dir;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), {.overlapping_directories = true});
    Bytes bytes = ReadBytes(disc.bin);
    bytes[static_cast<std::size_t>(SectorOffset(disc.files[2].first_sector)) + 100] ^= 1;
    WriteBytes(disc.bin, bytes);
    const CliOutcome r =
        ExpectCli({"verify", disc.cue.string()}, 3,
                  "EDC mismatch: 1 sector in 1 range\n  " +
                      std::to_string(disc.files[2].first_sector) + " (1 sector): no file\n");
    const auto why = r.err.find(
        "The directories of the file system come to more than 2097152 bytes, more than any disc "
        "holds; the rest of them is not read. No file is named below; every sector is checked all "
        "the same.\n");
    EXPECT_TRUE(why != std::string::npos && why == r.err.rfind("The directories")) << r.err;
}

}  // namespace
}  // namespace vorlix::test
