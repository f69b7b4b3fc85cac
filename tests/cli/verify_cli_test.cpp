// vorlix-cli verify and --valid-sectors: the answer, its location and its exit status.

#include <gtest/gtest.h>

#include "cli_fixture.h"
#include "image/valid_sectors.h"
#include "support/valid_image.h"

namespace vorlix {
namespace {

using test::Cli;
using test::CliOutcome;
using test::ExpectCli;

class Verify : public test::CliFixture {
protected:
    Verify() : CliFixture({"0:9:99", "10:419:0", "420:429:10", "430:439:20"}) {}
    void SetUp() override {
        CliFixture::SetUp();
        test::WriteValidImage(image, 1, 500);
        test::Bytes movie;
        for (std::int64_t k = 0; k < 404; ++k) {
            const test::Bytes s = test::ValidSector(k, 9, false);
            movie.insert(movie.end(), s.begin(), s.end());
        }
        test::WriteBytes(dir / "blanks" / "blank.STR", movie);
        const RawSector xa = SilentXaSector(0);
        test::WriteBytes(dir / "blanks" / "blank.XA", test::Bytes(xa.begin(), xa.end()));
        before = test::ReadBytes(image);
    }
};

TEST_F(Verify, ExitStatusTellsCleanFromProblemsFromCouldNotCheck) {
    CliOutcome r = ExpectCli({"verify", image}, 0);
    EXPECT_EQ(r.out, "Verified " + image + ": 500 sectors, 0 with problems.\nNo problems found.\n");

    ExpectCli({"verify", (dir / "missing.bin").string()}, 1, "missing.bin");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"verify"},
             {"verify", image, "--dry-run"},
             {"verify", image, "--list"},
             {"backup", list, image, "1", "x", "--valid-sectors"}})
        ExpectCli(args, 2, "Usage:");

    // A rip without the option: wrong addresses and empty sectors, told by their entries.
    ExpectCli(RipArgs(), 0);
    r = ExpectCli({"verify", image, "--list=" + list}, 3);
    EXPECT_EQ(r.out, "Verified " + image +
                         ": 500 sectors, 430 with problems.\n"
                         "empty sectors (all zero, no sync): 16 sectors in 2 ranges\n"
                         "  0-9 (10 sectors): entry 1 (DUM)\n"
                         "  414-419 (6 sectors): entry 2 (ST0)\n"
                         "wrong header address: 414 sectors in 2 ranges\n"
                         "  10-413 (404 sectors): entry 2 (ST0)\n"
                         "  420-429 (10 sectors): entry 3 (XA)\n"
                         "The image has problems.\n");
}

TEST_F(Verify, ShowsTwentyRangesOfAKindUnlessAllAreWanted) {
    test::Bytes bytes = test::ReadBytes(image);
    for (std::size_t s = 0; s < 50; ++s) bytes[(2 * s + 100) * 2352 + 0x400] ^= 1;
    bytes.resize(bytes.size() + 7);
    test::WriteBytes(image, bytes);
    CliOutcome r = ExpectCli({"verify", image}, 3, "EDC mismatch: 50 sectors in 50 ranges\n");
    EXPECT_TRUE(r.Says("  138 (1 sector)\n  and 30 more (--all lists them)\n")) << r.out;
    EXPECT_TRUE(r.Says("The image ends with 7 bytes that do not make a whole sector.")) << r.out;
    r = ExpectCli({"verify", image, "--all"}, 3, "  198 (1 sector)\n");
    EXPECT_EQ(r.out.find("more (--all"), std::string::npos);
}

TEST_F(Verify, DryRunAndReplaceSayWhatTheOptionWrites) {
    ExpectCli({"rip", list, image, "--blanks", blanks, "--dry-run"}, 0,
              "Would be blank: 58800 bytes of the image's 1176000 (5.0 %). Disk space it could "
              "give back: up to ");
    const CliOutcome r =
        ExpectCli({"rip", list, image, "--blanks", blanks, "--dry-run", "--valid-sectors"}, 0,
                  "sectors 0-9 empty Mode 2 sectors");
    EXPECT_TRUE(r.Says("Disk space given back: none, --valid-sectors writes every sector"))
        << r.out;
    ExpectImageUnchanged();

    ExpectCli({"replace", list, image, "1", "unused", "--valid-sectors"}, 0,
              "sectors 0-9 empty Mode 2 sectors");
    ExpectCli(
        {"restore", list, image, "3", (dir / "blanks" / "blank.STR").string(), "--valid-sectors"},
        0);
    ExpectCli({"verify", image}, 0);
}

}  // namespace
}  // namespace vorlix
