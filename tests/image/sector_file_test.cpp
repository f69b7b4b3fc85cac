#include <gtest/gtest.h>

#include <cerrno>

#include "image/failure.h"
#include "image/file_faults.h"
#include "image/sector_file.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix {
namespace {

using test::Bytes;

TEST(SectorFile, ReadsPastTheEndAsZerosAndNeverCreatesWhatItOpens) {
    test::TempDir dir;
    test::WriteText(dir / "small", "abc");
    SectorFile f(dir / "small", OpenMode::ReadOnly);
    Bytes buf(2 * 2352, 0xEE);
    f.ReadSectors(0, buf);
    EXPECT_EQ(buf[0], 'a');
    EXPECT_EQ(buf[2], 'c');
    EXPECT_EQ(buf[3], 0);
    EXPECT_EQ(buf.back(), 0);

    EXPECT_THROW(SectorFile(dir / "missing", OpenMode::ReadOnly), Failure);
    EXPECT_THROW(SectorFile(dir / "missing", OpenMode::ReadWrite), Failure);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
    EXPECT_THROW(SectorFile(dir / "small", OpenMode::CreateNew), Failure);
    EXPECT_THROW(SectorFile(dir.path(), OpenMode::ReadOnly), Failure) << "a directory is no file";
}

TEST(SectorFile, RepeatedBuffersAreWrittenInOrder) {
    test::TempDir dir;
    test::WritePatternFile(dir / "img", 1, 2);
    const Bytes a = test::PatternSector(5, 0), b = test::PatternSector(6, 0);
    std::vector<const std::uint8_t*> run;
    for (int i = 0; i < 1500; ++i) run.push_back(i % 3 == 0 ? a.data() : b.data());
    SectorFile f(dir / "img", OpenMode::ReadWrite);
    f.WriteSectors(1, run);
    f.Flush();
    f.Close();
    const Bytes all = test::ReadBytes(dir / "img");
    ASSERT_EQ(all.size(), 1501u * 2352);
    EXPECT_EQ(test::SectorsOf(all, 0, 1), test::PatternSector(1, 0));
    for (int i : {0, 1, 2, 511, 512, 513, 1499})
        EXPECT_EQ(test::SectorsOf(all, 1 + i, 1), i % 3 == 0 ? a : b) << i;
}

}  // namespace
}  // namespace vorlix
