#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include "base/failure.h"
#include "files/file_faults.h"
#include "files/mapped_file.h"
#include "files/sector_file.h"
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
    Bytes expected(2 * 2352, 0);
    std::copy_n("abc", 3, expected.begin());
    EXPECT_EQ(buf, expected);

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

// The kernel cuts a multi-sector write short at a file-size limit (as at a disk filling up): the
// rest must be tried, and its failure reported, never the short write taken as done.
TEST(SectorFile, AShortWriteIsContinuedUntilItFails) {
    test::TempDir dir;
    test::WritePatternFile(dir / "img", 1, 100);
    const Bytes before = test::ReadBytes(dir / "img");
    constexpr rlim_t kCap = 150 * 2352 + 1000;  // inside sector 150 of a write of 100..199
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit { kCap, kCap };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<const std::uint8_t*> run(100);
        const Bytes sector = test::PatternSector(9, 0);
        for (auto& p : run) p = sector.data();
        try {
            SectorFile f(dir / "img", OpenMode::ReadWrite);
            f.WriteSectors(100, run);
            ::_exit(0);
        } catch (const Failure& e) {
            ::_exit(std::strstr(e.what(), "File too large") != nullptr ? 1 : 2);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "0: the short write was taken as done";
    const Bytes after = test::ReadBytes(dir / "img");
    ASSERT_EQ(after.size(), kCap);
    EXPECT_EQ(test::SectorsOf(after, 0, 100), before);
    for (int s : {100, 149}) EXPECT_EQ(test::SectorsOf(after, s, 1), test::PatternSector(9, 0));
}

// A mapped page the file no longer holds raises SIGBUS: inside a look it is the look's failure,
// anywhere else it stays what it was, the end of the process.
TEST(MappedFile, APageTheFileNoLongerHoldsFailsTheLookAndNothingElse) {
    test::TempDir dir;
    test::WriteBytes(dir / "image.bin", Bytes(8 * 4096, 0x5A));
    SectorFile file(dir / "image.bin", OpenMode::ReadOnly);
    const MappedFile mapped(file, 8 * 4096);
    ASSERT_TRUE(mapped.IsMapped());
    std::uint64_t sum = 0;
    const auto add = [&sum](std::span<const std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) sum += b;
    };
    EXPECT_TRUE(mapped.LookAt(4096, 4096, add));
    EXPECT_EQ(sum, 4096u * 0x5A);
    EXPECT_FALSE(mapped.LookAt(7 * 4096, 4097, add)) << "past the mapping";

    std::filesystem::resize_file(dir / "image.bin", 2 * 4096 + 100);
    EXPECT_FALSE(mapped.LookAt(0, 8 * 4096, add));
    EXPECT_FALSE(mapped.LookAt(5 * 4096, 4096, add)) << "and again";
    EXPECT_TRUE(mapped.LookAt(0, 4096, add));

    // A look that ended by throwing leaves no way back set: a fault after it, outside any look,
    // still goes to the handler before ours (the default, or AddressSanitizer's report).
    EXPECT_THROW(mapped.LookAt(0, 4096, [](auto) { throw std::runtime_error("stop"); }),
                 std::runtime_error);
    void* raw = ::mmap(nullptr, 8 * 4096, PROT_READ, MAP_SHARED, file.Descriptor(), 0);
    ASSERT_NE(raw, MAP_FAILED);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const volatile std::uint8_t b = static_cast<const std::uint8_t*>(raw)[5 * 4096];
            (void)b;
            std::exit(0);
        },
        [](int status) {
            return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS
                                       : WIFEXITED(status) && WEXITSTATUS(status) != 0;
        },
        "");
    ::munmap(raw, 8 * 4096);
}

}  // namespace
}  // namespace vorlix
