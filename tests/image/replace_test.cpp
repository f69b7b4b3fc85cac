#include <gtest/gtest.h>

#include "base/failure.h"
#include "image/replace_engine.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::SectorsOf;

class Replace : public ::testing::Test {
protected:
    test::TempDir dir;
    std::filesystem::path image = dir / "game.bin";
    std::filesystem::path source = dir / "source.bin";
    Bytes before;
    void SetUp() override {
        test::WritePatternFile(image, 1, 1000);
        test::WritePatternFile(source, 2, 410);
        before = ReadBytes(image);
    }
    std::int64_t Run(const EntryLabels& e, bool xa = true) {
        return RunReplace(PlanReplace(e, {.xa_headers = xa}), image, source);
    }
    // Everything outside [s, s + n) is as it was.
    void ExpectOutsideUnchanged(std::int64_t s, std::int64_t n) {
        const Bytes after = ReadBytes(image);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(SectorsOf(after, 0, s), SectorsOf(before, 0, s));
        EXPECT_EQ(SectorsOf(after, s + n, 1000 - s - n), SectorsOf(before, s + n, 1000 - s - n));
    }
};

TEST_F(Replace, XaEntryTakesSourceSectorZeroThenFillerSectors) {
    const Bytes xa_source = test::PatternSector(2, 0);
    EXPECT_EQ(Run({"100", "5", "XA"}), 5);
    Bytes after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 100, 1), xa_source);
    EXPECT_EQ(SectorsOf(after, 101, 4), test::XaFiller(4));
    ExpectOutsideUnchanged(100, 5);

    EXPECT_EQ(Run({"200", "3", "XA"}, /*xa=*/false), 3);
    after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 200, 1), xa_source);
    EXPECT_EQ(SectorsOf(after, 201, 2), Bytes(2 * 2352, 0));

    EXPECT_EQ(Run({"300", "1", "XA"}), 1);
    after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 300, 1), xa_source);
    EXPECT_EQ(SectorsOf(after, 301, 1), test::PatternSector(1, 301));
}

// Less than one sector, a movie under 404 sectors, or a type that is not ripped: no plan, no write.
TEST_F(Replace, EntriesLeftAloneAreNeverWritten) {
    const std::vector<EntryLabels> alone = {
        {"100", "0", "XA"},   {"100", "-4", "XA"}, {"100", "", "DUM"},  {"10", "403", "ST0"},
        {"10", "403", "ST1"}, {"5", "500", "TIM"}, {"5", "500", "VA1"}, {"5", "500", "???"},
        {"5", "500", ""},     {"5", "500", "xa"},  {"5", "500", "st0"}, {"5", "500", "D"}};
    for (const EntryLabels& e : alone) {
        const ReplacePlan plan = PlanReplace(e, {});
        EXPECT_EQ(plan.branch, ReplaceBranch::None)
            << e.start << ":" << e.length << ":" << e.type_name;
        EXPECT_EQ(RunReplace(plan, image, source), 0);
    }
    EXPECT_FALSE(PlanReplace({"5", "500", "SEQ"}, {}).skipped_because.empty());
    EXPECT_EQ(ReadBytes(image), before);
}

TEST_F(Replace, MovieEntriesTakeTheFirst404SourceSectorsThenZeros) {
    const Bytes src = ReadBytes(source);
    EXPECT_EQ(Run({"10", "404", "ST2"}), 404);
    EXPECT_EQ(SectorsOf(ReadBytes(image), 10, 404), SectorsOf(src, 0, 404));
    ExpectOutsideUnchanged(10, 404);

    EXPECT_EQ(Run({"500", "410", "ST0"}), 410);
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 500, 404), SectorsOf(src, 0, 404))
        << "source sectors from 404 on are ignored";
    EXPECT_EQ(SectorsOf(after, 904, 6), Bytes(6 * 2352, 0));
    EXPECT_EQ(SectorsOf(after, 910, 1), test::PatternSector(1, 910));
}

TEST_F(Replace, SourcesAreCheckedBeforeWriting) {
    test::WritePatternFile(source, 2, 403);
    EXPECT_THROW(Run({"10", "500", "ST0"}), Failure) << "one sector short";
    std::filesystem::remove(source);
    EXPECT_THROW(Run({"10", "5", "XA"}), Failure);
    EXPECT_FALSE(std::filesystem::exists(source)) << "a file that is only read is never created";
    EXPECT_THROW(RunReplace(PlanReplace({"1", "2", "XA"}, {}), image, image), Failure);
    EXPECT_EQ(ReadBytes(image), before);
}

TEST_F(Replace, LongEntriesCrossManyBatchesInOrder) {
    // Longer than several write batches, so batch edges are exercised.
    test::WritePatternFile(image, 1, 3000);
    EXPECT_EQ(Run({"1", "2998", "XA"}), 2998);
    const Bytes after = ReadBytes(image);
    EXPECT_EQ(SectorsOf(after, 1, 1), test::PatternSector(2, 0));
    EXPECT_EQ(SectorsOf(after, 2, 2997), test::XaFiller(2997));
    EXPECT_EQ(SectorsOf(after, 2999, 1), test::PatternSector(1, 2999));
}

}  // namespace
}  // namespace vorlix
