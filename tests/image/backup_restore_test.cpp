#include <gtest/gtest.h>

#include "base/failure.h"
#include "files/overwrite_rule.h"
#include "image/backup_restore.h"
#include "support/failure_of.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::SectorsOf;

EntryLabels Entry(std::string start, std::string length, std::string type = "XA") {
    return {std::move(start), std::move(length), std::move(type)};
}

class BackupRestore : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path image = dir / "game.bin";
    std::filesystem::path backup = dir / "100.XA";
    void SetUp() override { test::WritePatternFile(image, 1, 200); }
};

TEST_F(BackupRestore, BackupThenRestoreRoundTripsAfterTheEntryWasOverwritten) {
    const Bytes before = ReadBytes(image);
    EXPECT_EQ(BackupEntry(Entry("10", "5"), image, backup), 5);
    EXPECT_EQ(ReadBytes(backup), SectorsOf(before, 10, 5));
    EXPECT_EQ(ReadBytes(image), before) << "backup must only read the image";
    test::WritePatternFile(image, 9, 200);  // the entry (and all else) changes
    const Bytes changed = ReadBytes(image);
    EXPECT_EQ(RestoreEntry(Entry("10", "5"), image, backup), 5);
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 10, 5), SectorsOf(before, 10, 5));
    EXPECT_EQ(SectorsOf(after, 0, 10), SectorsOf(changed, 0, 10));
    EXPECT_EQ(SectorsOf(after, 15, 185), SectorsOf(changed, 15, 185));
    EXPECT_EQ(after.size(), changed.size());
}

TEST_F(BackupRestore, OverwritingABackupReplacesTheWholeFile) {
    test::WritePatternFile(backup, 7, 10);
    EXPECT_TRUE(NeedsOverwriteQuestion(backup));
    BackupEntry(Entry("100", "2"), image, backup);
    EXPECT_EQ(ReadBytes(backup), SectorsOf(ReadBytes(image), 100, 2));
    EXPECT_EQ(dir.Listing(), "100.XA game.bin") << "no temporary file may be left";

    test::WriteText(dir / "empty", "");
    EXPECT_FALSE(NeedsOverwriteQuestion(dir / "empty"));
    EXPECT_FALSE(NeedsOverwriteQuestion(dir / "missing"));
}

TEST_F(BackupRestore, EntryOfLessThanOneSectorWritesAnEmptyBackupAndRestoresNothing) {
    const Bytes before = ReadBytes(image);
    EXPECT_EQ(BackupEntry(Entry("20", "-3"), image, backup), 0);
    EXPECT_EQ(ReadBytes(backup).size(), 0u);
    EXPECT_EQ(RestoreEntry(Entry("20", "0"), image, backup), 0);
    EXPECT_EQ(ReadBytes(image), before);
}

// Only the first sectors of a longer file are used; past the end the image grows, zeros in the gap.
TEST_F(BackupRestore, RestoreTakesTheEntrysLengthAndMayExtendTheImage) {
    test::WritePatternFile(backup, 5, 8);
    RestoreEntry(Entry("50", "2"), image, backup);
    RestoreEntry(Entry("202", "3"), image, backup);
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 50, 2), SectorsOf(ReadBytes(backup), 0, 2));
    EXPECT_EQ(SectorsOf(after, 52, 1), test::PatternSector(1, 52));
    ASSERT_EQ(after.size(), 205u * 2352);
    EXPECT_EQ(SectorsOf(after, 200, 2), Bytes(2 * 2352, 0)) << "the gap reads as zeros";
    EXPECT_EQ(SectorsOf(after, 202, 3), SectorsOf(ReadBytes(backup), 0, 3));
}

TEST_F(BackupRestore, RefusalsWriteNothingAndCreateNothing) {
    const Bytes before = ReadBytes(image);
    const auto refused = [&](auto&& op, const std::string& needle) {
        const std::string what = test::FailureOf(op);
        EXPECT_NE(what.find(needle), std::string::npos) << what;
    };
    refused([&] { BackupEntry(Entry("1", "1"), dir / "none.bin", backup); },
            "none.bin: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(dir / "none.bin"));
    EXPECT_FALSE(std::filesystem::exists(backup));

    refused([&] { RestoreEntry(Entry("1", "1"), image, dir / "nobackup"); },
            "nobackup: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(dir / "nobackup"));

    refused([&] { BackupEntry(Entry("1", "1"), image, image); }, "image itself");
    refused([&] { BackupEntry(Entry("1", "1"), image, dir / "no" / "such" / "dir"); },
            "No such file or directory");
    EXPECT_EQ(ReadBytes(image), before);
}

TEST_F(BackupRestore, TheLastAddressableSectorIsTheLimit) {
    test::WritePatternFile(backup, 3, 2);
    EXPECT_THROW(RestoreEntry(Entry("913045", "2"), image, backup), Failure);
    EXPECT_THROW(RestoreEntry(Entry("913046", "1"), image, backup), Failure);
    EXPECT_EQ(ReadBytes(image).size(), 200u * 2352) << "a refused restore never extends the image";
    // Past the image's end a backup reads zeros.
    EXPECT_EQ(BackupEntry(Entry("913045", "1"), image, dir / "last"), 1);
    EXPECT_EQ(ReadBytes(dir / "last"), Bytes(2352, 0));
}

}  // namespace
}  // namespace vorlix
