// Write Valid Sectors: every operation that writes leaves sectors valid at their own positions;
// without it the bytes are as before, and zero runs may become holes that read back the same.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "base/failure.h"
#include "entries/entry_details.h"
#include "files/sector_file.h"
#include "image/backup_restore.h"
#include "image/blank_substitution.h"
#include "image/image_verify.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "image/valid_sectors.h"
#include "support/built_disc.h"
#include "support/failure_of.h"
#include "support/temp_dir.h"
#include "support/valid_image.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::SectorsOf;

constexpr WriteOptions kValid{.valid_sectors = true};

class ValidSectors : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path image = dir / "game.bin";
    std::filesystem::path blanks = dir / "blanks";
    Bytes movie;
    void SetUp() override {
        test::WriteValidImage(image, 1, 3000);
        std::filesystem::create_directory(blanks);
        // The blanks are valid where they were made, at sectors 0 onwards.
        for (std::int64_t k = 0; k < 404; ++k) {
            const Bytes s = test::ValidSector(k, 9, false);
            movie.insert(movie.end(), s.begin(), s.end());
        }
        test::WriteBytes(blanks / "blank.STR", movie);
        const RawSector xa = SilentXaSector(0);
        test::WriteBytes(blanks / "blank.XA", Bytes(xa.begin(), xa.end()));
    }

    VerifyReport RipAllValid() {
        const EntryLines lines = {"100:599:0", "600:699:10", "700:709:99", "710:719:20",
                                  "1000:1500:2"};
        RipAll(lines, image, blanks, test::WalkHooks(lines, kValid));
        return VerifyImage(image);
    }
};

// A sector as written under the option: the source's bytes with the address of its position.
Bytes Readdressed(Bytes sector, std::int64_t position) {
    std::ranges::copy(BcdAddress(position), sector.begin() + kAddressOffset);
    return sector;
}

TEST_F(ValidSectors, RipAllVerifiesCleanAndCopiesOnlyChangeTheAddress) {
    const VerifyReport report = RipAllValid();
    EXPECT_TRUE(report.clean()) << report.sectors_with_problems;
    const Bytes after = ReadBytes(image);
    for (std::int64_t k : {0, 1, 403})
        EXPECT_EQ(SectorsOf(after, 100 + k, 1), Readdressed(SectorsOf(movie, k, 1), 100 + k));
    for (std::int64_t s : {601, 650, 699}) {
        const RawSector filler = SilentXaSector(s);
        EXPECT_EQ(SectorsOf(after, s, 1), Bytes(filler.begin(), filler.end()));
    }
    // An empty Mode 2 sector: sync, address, mode 2, nothing else.
    Bytes empty(2352, 0);
    WriteMode2Header(MutableSectorView(empty.data(), 2352), 705, {});
    EXPECT_EQ(SectorsOf(after, 705, 1), empty);
}

TEST_F(ValidSectors, RestoreAndReplaceGiveCopiesTheirPositionAndLeaveUnsyncedOnesAlone) {
    BackupEntry({"2000", "50", "XA"}, image, dir / "backup");
    RestoreEntry({"10", "50", "XA"}, image, dir / "backup", kValid);
    EXPECT_TRUE(VerifyImage(image).clean());
    EXPECT_EQ(SectorsOf(ReadBytes(image), 30, 1),
              Readdressed(SectorsOf(ReadBytes(dir / "backup"), 20, 1), 30));

    // A source without sync (or a zero sector in it) is copied as it is.
    Bytes source = test::PatternSector(7, 0);
    source.resize(2 * 2352, 0);
    test::WriteBytes(dir / "raw", source);
    RestoreEntry({"10", "2", "XA"}, image, dir / "raw", kValid);
    EXPECT_EQ(SectorsOf(ReadBytes(image), 10, 2), source);

    RunReplace(PlanReplace({"200", "10", "XA"}, kValid), image, blanks / "blank.XA");
    RunReplace(PlanReplace({"300", "500", "ST0"}, kValid), image, blanks / "blank.STR");
    RunReplace(PlanReplace({"900", "20", "DUM"}, kValid), image, {});
    const VerifyReport report = VerifyImage(image);
    EXPECT_EQ(report.sectors_with_problems, 2) << "only the two copied sectors without sync";
    EXPECT_EQ(report.runs[static_cast<std::size_t>(SectorProblem::NoSync)].size(), 1u);
}

TEST_F(ValidSectors, AreRefusedPastTheLastCdAddressBeforeAnythingIsWritten) {
    const Bytes before = ReadBytes(image);
    // Sector 449850 has no CD address.
    EXPECT_NE(test::FailureOf([&] {
                  RestoreEntry({"449800", "51", "XA"}, image, blanks / "blank.STR", kValid);
              }).find("99:59:74"),
              std::string::npos);
    EXPECT_THROW(PlanReplace({"449800", "51", "DUM"}, kValid), Failure);
    EXPECT_NO_THROW(PlanReplace({"449800", "51", "DUM"}, {}));
    EXPECT_NO_THROW(PlanReplace({"449800", "50", "DUM"}, kValid));
    // A kept rip reads each entry only as it rewrites it; an entry it must refuse for its
    // addresses is still refused before the first entry is rewritten.
    const EntryLines lines = {"0:4:99", "449800:449850:99"};
    RipAllHooks hooks = test::WalkHooks(lines, {.keep_structure = true});
    hooks.fixed_options = true;
    EXPECT_EQ(test::FailureOf([&] { RipAll(lines, image, blanks, hooks); }),
              "Rip All cannot start, entry 2 (449800:449850:99): Sector 449850 has no CD address.");
    EXPECT_EQ(ReadBytes(image), before);
}

// Zero runs at every alignment to the file system's blocks read back as zeros and everything
// around them as it was; the long runs' whole blocks are given back where the file system has
// holes, the short ones are written.
TEST(Holes, ZeroRunsReadBackExactlyAndFreeTheirBlocks) {
    test::TempDir dir;
    const auto path = dir / "img";
    test::WritePatternFile(path, 1, 1200);
    Bytes expected = ReadBytes(path);
    std::uint64_t punched = 0;
    {
        SectorFile file(path, OpenMode::ReadWrite);
        for (auto [first, count] :
             std::vector<std::pair<std::int64_t, std::int64_t>>{
                 {0, 1},
                 {3, 2},
                 {10, 100},   // 235,200 bytes: too short to be worth a hole
                 {111, 333},  // 783,216 bytes
                 {450, 7},
                 {600, 500},
                 {1190, 20}})  // past the end: the file grows
        {
            punched += file.ZeroSectors(first, count);
            expected.resize(std::max<std::size_t>(expected.size(), (first + count) * 2352));
            std::fill_n(expected.begin() + first * 2352, count * 2352, 0);
        }
        file.Flush();
        file.Close();
    }
    EXPECT_EQ(ReadBytes(path), expected);
    const DiskUse use = DiskUseOf(path);
    EXPECT_EQ(use.length, 1210u * 2352);
    if (punched == 0) GTEST_SKIP() << "this file system has no holes";
    EXPECT_LE(punched, 833u * 2352) << "only the two long runs";
    EXPECT_GE(punched, 833u * 2352 - 4 * use.block);
    EXPECT_LE(use.allocated + punched, use.length + 2 * use.block);

    // The runs above do not reach a hole's clipping at the end of the file.
    const ByteSpan at_end = HoleIn(0, 4 * kMinHoleBytes, 4096, kMinHoleBytes + 100);
    EXPECT_EQ(at_end.end, kMinHoleBytes);
}

}  // namespace
}  // namespace vorlix
