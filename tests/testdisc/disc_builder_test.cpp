// The test disc builder: the images other tests rely on must be what the metadata says, as
// independent readers (the sector checker, libcdio's cd-info, ffprobe) see them. The scan, verify
// and keep-structure tests check the rest of its layout through their own results.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "sector/cd_sector.h"
#include "sector/sector_arithmetic.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

namespace fs = std::filesystem;

// The command's output; a failing command fails the test.
std::string Output(const std::string& command) {
    std::string out;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    const int raw = pclose(pipe);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << command << "\n" << out;
    return out;
}
bool Installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

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

// Every sector valid, by both implementations of the sector arithmetic, and every Form 1 sector
// sealed again by each gives its own bytes back. The scan tests hold the expected list to what a
// scan finds, and ffprobe below counts each movie's frames; here the list must hold every kind of
// entry.
TEST_F(DefaultDisc, EverySectorIsValidAndEveryKindOfEntryIsListed) {
    ASSERT_EQ(image_.size(), static_cast<std::size_t>(disc_.sectors) * kRawSectorSize);
    const SectorArithmetic before = ActiveSectorArithmetic();
    for (const SectorArithmetic a : {SectorArithmetic::Portable, SectorArithmetic::Fast}) {
        UseSectorArithmetic(a);
        for (std::int64_t s = 0; s < disc_.sectors; ++s) {
            const SectorView sector = SectorAt(image_, s);
            ASSERT_TRUE(CheckSector(sector, s).ok()) << "sector " << s;
            if (ReadSubHeader(sector).submode & kSubmodeForm2) continue;
            RawSector again;
            std::ranges::copy(sector, again.begin());
            std::fill(again.begin() + kForm1EdcOffset, again.end(), 0);
            SealForm1(again);
            ASSERT_TRUE(std::ranges::equal(again, sector)) << "sector " << s;
        }
    }
    UseSectorArithmetic(before);
    EXPECT_EQ(std::memcmp(UserData(image_, 16) + 0x400, "CD-XA001", 8), 0);
    std::vector<int> codes;
    for (const auto& e : disc_.expected) codes.push_back(e.code);
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, 1, 0, 10, 31, 32, 40, 10, 20, 0, 0, 99, 99}));
}

// libcdio reads a .bin only through a cue named like it, holding just the data track.
TEST_F(DefaultDisc, CdInfoSeesTheFilesWhereTheBuilderPutThem) {
    if (!Installed("cd-info")) GTEST_SKIP() << "cd-info (libcdio-utils) is not installed";
    const fs::path cue = fs::path(disc_.bin).replace_extension(".cue");
    WriteText(cue, "FILE \"" + disc_.bin.filename().string() +
                       "\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n");
    const std::string output = Output(
        "cd-info --no-header --no-device-info --iso9660 --cue-file '" + cue.string() + "' 2>&1");
    fs::remove(cue);
    // "/MOVIE/:" starts a directory; file lines hold "[LSN n] size" and end with the name.
    std::map<std::string, std::int64_t> seen, built;
    std::string directory;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("/") && line.ends_with(":"))
            directory = line.substr(0, line.size() - 1);
        const auto lsn = line.find("[LSN");
        if (lsn == std::string::npos || line[2] == 'd') continue;
        std::string name = line.substr(line.rfind(' ') + 1);
        std::ranges::transform(name, name.begin(), ::toupper);
        seen[directory + name] = std::stoll(line.substr(lsn + 4));
    }
    for (const auto& f : disc_.files) built[f.path] = f.first_sector;
    EXPECT_EQ(seen, built);
}

TEST_F(DefaultDisc, FfprobeCountsEveryMoviesFrames) {
    if (!Installed("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
    TempDir work;
    for (const auto& s : disc_.streams) {
        if (s.kind == BuiltStream::Xa) continue;
        WriteBytes(work / "movie.str",
                   SectorsOf(image_, s.first_sector, s.last_sector - s.first_sector + 1));
        EXPECT_EQ(Output("ffprobe -v error -count_frames -select_streams v -show_entries "
                         "stream=width,height,nb_read_frames -of csv=p=0 '" +
                         (work / "movie.str").string() + "' 2>/dev/null"),
                  std::to_string(s.width) + "," + std::to_string(s.height) + "," +
                      std::to_string(s.frames) + "\n")
            << s.where << " at " << s.first_sector;
    }
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
    DiscOptions options;
    options.directory_cycle = options.extent_past_end = options.zero_byte_file = true;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), options);
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
    DiscOptions options;
    options.no_file_system = true;
    options.truncate_to = 3000;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), options);
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
    DiscOptions options;
    options.total_sectors = 20000;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), options);
    const Bytes image = ReadBytes(disc.bin);
    ASSERT_EQ(image.size(), 20000u * kRawSectorSize);
    for (std::int64_t s = 0; s < disc.sectors; s += 97)
        ASSERT_TRUE(CheckSector(SectorAt(image, s), s).ok()) << s;
    EXPECT_TRUE(CheckSector(SectorAt(image, disc.sectors - 1), disc.sectors - 1).ok());
}

}  // namespace
}  // namespace vorlix::test
