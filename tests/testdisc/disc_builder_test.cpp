// The test disc builder: the images other tests rely on must be what the metadata says. The scan
// test compares its files with libiso9660, the keep-structure disc test its movies with
// ffmpeg; the scan, verify and keep-structure tests check the rest of its layout through their own
// results.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "sector/cd_sector.h"
#include "sector/sector_arithmetic.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

namespace fs = std::filesystem;

SectorView SectorAt(const Bytes& image, std::int64_t s) {
    return SectorView(image.data() + static_cast<std::size_t>(s) * kRawSectorSize, kRawSectorSize);
}
std::uint8_t Submode(const Bytes& image, std::int64_t s) {
    return ReadSubHeader(SectorAt(image, s)).submode;
}
// Read apart from sector/little_endian.h: a second opinion on the builder's writers.
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24);
}
const std::uint8_t* UserData(const Bytes& image, std::int64_t s) {
    return SectorAt(image, s).data() + kUserDataOffset;
}
bool StartsVideo(const Bytes& image, std::int64_t s) {
    return Le32(UserData(image, s)) == 0x80010160u;
}

class DefaultDisc : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        disc_ = BuildPsxDisc(dir_->path());
        image_ = ReadBytes(disc_.bin);
    }
    static void TearDownTestSuite() { dir_.reset(); }
    static inline std::unique_ptr<TempDir> dir_;
    static inline BuiltDisc disc_;
    static inline Bytes image_;
};

// CRC-32/CD-ROM-EDC bit by bit, apart from the core's tables and fast paths, so that a fault in
// the core's EDC cannot seal the builder's sectors and pass its own check.
std::uint32_t SlowEdc(const std::uint8_t* p, std::size_t n) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (crc & 1 ? 0xD8018001u : 0);
    }
    return crc;
}

// Every sector valid, by both implementations of the sector arithmetic, and its EDC (where a
// Form 2 sector has one) as the slow one gives it. The scan tests hold the expected list to what
// a scan finds, and the keep-structure disc test has ffmpeg count each movie's frames; here the
// list must hold every kind of entry.
TEST_F(DefaultDisc, EverySectorIsValidAndEveryKindOfEntryIsListed) {
    ASSERT_EQ(SlowEdc(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0x6EC2EDC4u);
    ASSERT_EQ(image_.size(), static_cast<std::size_t>(disc_.sectors) * kRawSectorSize);
    const SectorArithmetic before = ActiveSectorArithmetic();
    for (const SectorArithmetic a : {SectorArithmetic::Portable, SectorArithmetic::Fast}) {
        UseSectorArithmetic(a);
        for (std::int64_t s = 0; s < disc_.sectors; ++s)
            ASSERT_TRUE(CheckSector(SectorAt(image_, s), s).ok()) << "sector " << s;
    }
    UseSectorArithmetic(before);
    for (std::int64_t s = 0; s < disc_.sectors; ++s) {
        const std::uint8_t* p = SectorAt(image_, s).data();
        const std::size_t at = Submode(image_, s) & kSubmodeForm2 ? 0x92C : 0x818;
        const std::uint32_t stored = Le32(p + at);
        ASSERT_TRUE(stored == SlowEdc(p + 0x10, at - 0x10) || (at == 0x92C && stored == 0))
            << "sector " << s;
    }
    EXPECT_EQ(std::memcmp(UserData(image_, 16) + 0x400, "CD-XA001", 8), 0);
    std::vector<int> codes;
    for (const auto& e : disc_.expected) codes.push_back(e.code);
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, 1, 0, 10, 31, 32, 40, 10, 20, 0, 0, 99, 99}));
}

TEST_F(DefaultDisc, CueNamesTheDataTrackAndTheAudioTrack) {
    const Bytes cue = ReadBytes(disc_.cue);
    EXPECT_EQ(std::string(cue.begin(), cue.end()),
              "FILE \"Test Disc (Track 1).bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n"
              "    INDEX 01 00:00:00\r\nFILE \"Test Disc (Track 2).bin\" BINARY\r\n"
              "  TRACK 02 AUDIO\r\n    INDEX 00 00:00:00\r\n    INDEX 01 00:02:00\r\n");
    EXPECT_GT(fs::file_size(disc_.audio_bin), 0u);
    EXPECT_EQ(fs::file_size(disc_.audio_bin) % kRawSectorSize, 0u);
}

// The directory record of `name` in the directory at `extent`: {extent, size, flags}.
std::array<std::uint32_t, 3> Record(const Bytes& image, std::int64_t extent, const char* name) {
    const std::uint8_t* d = UserData(image, extent);
    for (std::size_t at = 0; at < 2048 && d[at] != 0; at += d[at])
        if (std::string(reinterpret_cast<const char*>(d + at + 33), d[at + 32]) == name)
            return {Le32(d + at + 2), Le32(d + at + 10), d[at + 25]};
    ADD_FAILURE() << "no record " << name;
    return {0, 0, 0};
}

TEST(DiscBuilderOptions, FileSystemFaultsAreInTheDirectoryRecords) {
    TempDir dir;
    const BuiltDisc disc = BuildPsxDisc(
        dir.path(), {.directory_cycle = true, .extent_past_end = true, .zero_byte_file = true});
    const Bytes image = ReadBytes(disc.bin);
    const std::uint32_t data = Record(image, Le32(UserData(image, 16) + 156 + 2), "DATA")[0];
    const auto loop = Record(image, data, "LOOP");
    EXPECT_TRUE(loop[0] == data && (loop[2] & 2) != 0) << "a directory record pointing at DATA";
    EXPECT_GE(Record(image, data, "LOST.DAT;1")[0], disc.sectors);
    EXPECT_EQ(Record(image, data, "EMPTY.DAT;1")[1], 0u);
}

// Without a file system only what a sector walk finds is listed, and only before the cut.
TEST(DiscBuilderOptions, NoFileSystemKeepsTheStreamsAndTruncationCuts) {
    TempDir dir;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), {.no_file_system = true, .truncate_to = 3000});
    const Bytes image = ReadBytes(disc.bin);
    ASSERT_EQ(image.size(), 3000u * kRawSectorSize);
    EXPECT_EQ(disc.sectors, 3000);
    EXPECT_NE(std::memcmp(UserData(image, 16) + 1, "CD001", 5), 0);
    ASSERT_FALSE(disc.expected.empty());
    for (const auto& e : disc.expected) {
        EXPECT_LT(e.end, 3000);
        EXPECT_TRUE(e.code == 10 ? (Submode(image, e.start) & 0x24) == 0x24
                                 : (e.code <= 1 && StartsVideo(image, e.start)))
            << e.where << " " << e.start;
    }
}

// A caller's frame encoder is proven by the keep-structure disc test's version 3 movie.
TEST(DiscBuilderOptions, PadsToTheAskedSizeWithValidSectors) {
    TempDir dir;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), {.total_sectors = 20000});
    const Bytes image = ReadBytes(disc.bin);
    ASSERT_EQ(image.size(), 20000u * kRawSectorSize);
    for (std::int64_t s = 0; s < disc.sectors; s += 97)
        ASSERT_TRUE(CheckSector(SectorAt(image, s), s).ok()) << s;
    EXPECT_TRUE(CheckSector(SectorAt(image, disc.sectors - 1), disc.sectors - 1).ok());
}

}  // namespace
}  // namespace vorlix::test
