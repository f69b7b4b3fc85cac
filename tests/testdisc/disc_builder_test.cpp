// The test disc builder: the images other tests rely on must be what the metadata says, as
// independent readers (the sector checker, libcdio's cd-info, ffprobe) see them.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "image/cd_sector.h"
#include "testdisc/iso9660_writer.h"
#include "testdisc/psx_disc_builder.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"

namespace vorlix::test {
namespace {

namespace fs = std::filesystem;

struct CommandResult {
    int status = -1;
    std::string output;
};

CommandResult RunCommand(const std::string& command) {
    CommandResult run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) run.output.append(buf, n);
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

bool Installed(const std::string& program) {
    return RunCommand("command -v " + program + " >/dev/null 2>&1").status == 0;
}

std::string Quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

SectorView SectorAt(const Bytes& image, std::int64_t s) {
    return SectorView(image.data() + static_cast<std::size_t>(s) * kRawSectorSize, kRawSectorSize);
}

std::uint8_t Submode(const Bytes& image, std::int64_t s) {
    return ReadSubHeader(SectorAt(image, s)).submode;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24);
}
std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

const std::uint8_t* UserData(const Bytes& image, std::int64_t s) {
    return SectorAt(image, s).data() + kUserDataOffset;
}

// The directory records of the directory at `extent`, read straight from the sectors.
struct Record {
    std::string name;
    std::uint32_t extent = 0, size = 0;
    bool directory = false;
    std::uint16_t attributes = 0;
};
std::vector<Record> ReadDirectory(const Bytes& image, std::int64_t extent) {
    std::vector<Record> records;
    const std::uint8_t* d = UserData(image, extent);
    for (std::size_t at = 0; at < 2048 && d[at] != 0; at += d[at]) {
        const std::uint8_t* r = d + at;
        Record rec;
        rec.extent = Le32(r + 2);
        rec.size = Le32(r + 10);
        rec.directory = (r[25] & 2) != 0;
        rec.name.assign(reinterpret_cast<const char*>(r + 33), r[32]);
        const std::uint8_t* xa = r + r[0] - 14;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(xa + 6), 2), "XA") << rec.name;
        rec.attributes = static_cast<std::uint16_t>(xa[4] << 8 | xa[5]);
        records.push_back(rec);
    }
    return records;
}

const Record* Find(const std::vector<Record>& records, const std::string& name) {
    for (const auto& r : records)
        if (r.name == name) return &r;
    return nullptr;
}

class DefaultDisc : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<TempDir>();
        disc_ = BuildPsxDisc(dir_->path());
        image_ = ReadBytes(disc_.bin);
    }
    static void TearDownTestSuite() {
        image_.clear();
        dir_.reset();
    }
    static const BuiltFile& File(const std::string& path) {
        for (const auto& f : disc_.files)
            if (f.path == path) return f;
        throw std::runtime_error("no file " + path);
    }
    static std::unique_ptr<TempDir> dir_;
    static BuiltDisc disc_;
    static Bytes image_;
};
std::unique_ptr<TempDir> DefaultDisc::dir_;
BuiltDisc DefaultDisc::disc_;
Bytes DefaultDisc::image_;

TEST_F(DefaultDisc, EverySectorIsValidAndTheVolumeIsMarkedCdXa) {
    ASSERT_EQ(image_.size(), static_cast<std::size_t>(disc_.sectors) * kRawSectorSize);
    EXPECT_GT(disc_.sectors, 7000);
    EXPECT_LT(disc_.sectors, 12000);
    for (std::int64_t s = 0; s < disc_.sectors; ++s)
        ASSERT_TRUE(CheckSector(SectorAt(image_, s), s).ok()) << "sector " << s;
    const std::uint8_t* pvd = UserData(image_, 16);
    EXPECT_EQ(std::memcmp(pvd + 1, "CD001", 5), 0);
    EXPECT_EQ(std::memcmp(pvd + 0x400, "CD-XA001", 8), 0);
    EXPECT_EQ(Le32(pvd + 80), disc_.sectors);
    EXPECT_EQ(UserData(image_, 17)[0], 255);
}

TEST_F(DefaultDisc, SubHeadersAreThoseOfARealDisc) {
    for (const auto& f : disc_.files) {
        const std::int64_t last = f.first_sector + f.sectors - 1;
        if (f.role == "movie") {
            EXPECT_EQ(Submode(image_, f.first_sector), 0x48) << f.path;
            EXPECT_EQ(Submode(image_, last), 0xC9) << f.path;
        } else if (f.role == "movie+audio") {
            EXPECT_EQ(f.xa_attributes & (kXaForm2 | kXaInterleaved), kXaForm2 | kXaInterleaved);
            for (std::int64_t s = f.first_sector; s <= last; ++s) {
                const bool audio = (s - f.first_sector) % 8 == 7;
                EXPECT_EQ(Submode(image_, s) & 0x7E, audio ? 0x64 : 0x48) << s;
            }
        } else if (f.role == "xa") {
            EXPECT_EQ(f.xa_attributes & (kXaForm2 | kXaInterleaved), kXaForm2 | kXaInterleaved);
            std::map<int, int> codings;  // coding of each channel
            for (std::int64_t s = f.first_sector; s <= last; ++s) {
                const SubHeader sub = ReadSubHeader(SectorAt(image_, s));
                EXPECT_EQ(sub.channel, (s - f.first_sector) % 8) << s;
                EXPECT_EQ(sub.submode, s > last - 8 ? 0xE5 : 0x64) << s;
                codings[sub.channel] = sub.coding;
                // Every sound parameter byte in range: shift 0..12, filter 0..3.
                for (int g = 0; g < 18; ++g)
                    for (int i = 0; i < 16; ++i) {
                        const std::uint8_t p = UserData(image_, s)[g * 128 + i];
                        ASSERT_LE(p & 0x0F, 12);
                        ASSERT_LE(p >> 4, 3);
                    }
            }
            EXPECT_EQ(codings.size(), 8u);
            EXPECT_EQ(codings[6], 0x04);
            EXPECT_EQ(codings[7] & 0x10, 0x10);
        } else if (f.role != "archive") {
            for (std::int64_t s = f.first_sector; s < last; ++s)
                ASSERT_EQ(Submode(image_, s), 0x08) << f.path << " sector " << s;
            EXPECT_EQ(Submode(image_, last), 0x89) << f.path;
        }
    }
    // The gap's XA run has no EDC; the track ends in empty Form 2 sectors.
    for (const auto& s : disc_.streams) {
        if (s.where == "gap" && s.kind == BuiltStream::Xa) {
            EXPECT_EQ(Le32(SectorAt(image_, s.first_sector).data() + kForm2EdcOffset), 0u);
        }
    }
    EXPECT_EQ(Submode(image_, disc_.sectors - 1), 0x20);

    EXPECT_EQ(std::memcmp(UserData(image_, File("/SLUS_000.01").first_sector), "PS-X EXE", 8), 0);
    EXPECT_EQ(std::memcmp(UserData(image_, File("/SOUND/BANK.VH").first_sector), "pBAV", 4), 0);
    EXPECT_EQ(std::memcmp(UserData(image_, File("/SOUND/THEME.SEQ").first_sector), "pQES", 4), 0);
    EXPECT_EQ(File("/SOUND/BANK.VB").first_sector,
              File("/SOUND/BANK.VH").first_sector + File("/SOUND/BANK.VH").sectors);
    // TIM: 4-bit with CLUT, and its blocks end exactly at the end of the file's data.
    const BuiltFile& tim = File("/DATA/TEXTURE.TIM");
    const std::uint8_t* t = UserData(image_, tim.first_sector);
    EXPECT_EQ(Le32(t), 0x10u);
    EXPECT_EQ(Le32(t + 4), 0x08u);
    const std::uint32_t tim_size =
        8 + Le32(t + 8) + 2 * Le16(t + 8 + Le32(t + 8) + 8) * Le16(t + 8 + Le32(t + 8) + 10) + 12;
    EXPECT_EQ((tim_size + 2047) / 2048, tim.sectors);
}

// Independent of the builder's own bookkeeping: every listed movie starts at frame 1 chunk 0 and
// stops at its last frame's last chunk, every XA entry is audio throughout, and nothing overlaps.
TEST_F(DefaultDisc, ExpectedListMatchesTheSectors) {
    std::vector<int> codes;
    std::int64_t previous_end = -1;
    for (const auto& e : disc_.expected) {
        codes.push_back(e.code);
        EXPECT_GT(e.start, previous_end) << e.where;
        EXPECT_LE(e.start, e.end);
        previous_end = e.end;
        if (e.code == 0 || e.code == 1) {
            const std::uint8_t* first = UserData(image_, e.start);
            EXPECT_EQ(Le32(first), 0x80010160u) << e.where;
            EXPECT_EQ(Le16(first + 4), 0) << e.where;
            EXPECT_EQ(Le32(first + 8), 1u) << e.where;
            const std::uint8_t* last = UserData(image_, e.end);
            EXPECT_EQ(Le16(last + 4) + 1, Le16(last + 6)) << e.where;
            const std::uint8_t* after = UserData(image_, e.end + 1);
            EXPECT_TRUE(Le32(after) != 0x80010160u || Le32(after + 8) == 1u) << e.where;
            bool audio = false;
            for (std::int64_t s = e.start; s <= e.end; ++s)
                audio |= (Submode(image_, s) & 0x04) != 0;
            EXPECT_EQ(audio, e.code == 1) << e.where;
        } else if (e.code == 10) {
            for (std::int64_t s = e.start; s <= e.end; ++s)
                ASSERT_EQ(Submode(image_, s) & 0x24, 0x24) << e.where << " sector " << s;
        }
    }
    EXPECT_EQ(codes, (std::vector<int>{0, 0, 0, 1, 0, 10, 31, 32, 40, 10, 20, 0, 0, 99, 99}));
    const BuiltFile& archive = File("/DATA/ARCHIVE.BIN");
    int runs_in_archive = 0;
    for (const auto& e : disc_.expected) {
        if (e.where != archive.path) continue;
        ++runs_in_archive;
        EXPECT_GT(e.start, archive.first_sector);
        EXPECT_LT(e.end, archive.first_sector + archive.sectors - 1);
    }
    EXPECT_EQ(runs_in_archive, 2);

    // Outside the listed ranges nothing looks like a movie or XA audio to a sector walk.
    std::vector<bool> listed(static_cast<std::size_t>(disc_.sectors), false);
    for (const auto& e : disc_.expected)
        for (std::int64_t s = e.start; s <= e.end; ++s) listed[static_cast<std::size_t>(s)] = true;
    for (std::int64_t s = 0; s < disc_.sectors; ++s) {
        if (listed[static_cast<std::size_t>(s)]) continue;
        ASSERT_NE(Le32(UserData(image_, s)), 0x80010160u) << "sector " << s;
        ASSERT_EQ(Submode(image_, s) & 0x04, 0) << "sector " << s;
    }
}

// libcdio reads a .bin only through a cue named like it, holding just the data track.
TEST_F(DefaultDisc, CdInfoSeesTheFilesWhereTheBuilderPutThem) {
    if (!Installed("cd-info")) GTEST_SKIP() << "cd-info (libcdio-utils) is not installed";
    fs::path cue = disc_.bin;
    cue.replace_extension(".cue");
    WriteText(cue, "FILE \"" + disc_.bin.filename().string() +
                       "\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n");
    const CommandResult run = RunCommand(
        "cd-info --no-header --no-device-info --iso9660 --cue-file " + Quoted(cue) + " 2>&1");
    fs::remove(cue);
    ASSERT_EQ(run.status, 0) << run.output;

    // "/MOVIE/:" starts a directory; file lines hold "[LSN n] size" and end with the name.
    std::map<std::string, std::int64_t> seen;  // upper-case path -> first sector
    std::string directory;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("/") && line.ends_with(":"))
            directory = line.substr(0, line.size() - 1);
        const auto lsn = line.find("[LSN");
        if (lsn == std::string::npos || line[2] == 'd') continue;
        std::string name = line.substr(line.rfind(' ') + 1);
        std::ranges::transform(name, name.begin(), ::toupper);
        seen[directory + name] = std::stoll(line.substr(lsn + 4));
    }
    std::map<std::string, std::int64_t> built;
    for (const auto& f : disc_.files) built[f.path] = f.first_sector;
    EXPECT_EQ(seen, built);
}

TEST_F(DefaultDisc, FfprobeCountsEveryMoviesFrames) {
    if (!Installed("ffprobe")) GTEST_SKIP() << "ffprobe is not installed";
    TempDir work;
    for (const auto& s : disc_.streams) {
        if (s.kind == BuiltStream::Xa) continue;
        const fs::path str = work / "movie.str";
        WriteBytes(str, SectorsOf(image_, s.first_sector, s.last_sector - s.first_sector + 1));
        const CommandResult probe = RunCommand(
            "ffprobe -v error -count_frames -select_streams v -show_entries "
            "stream=width,height,nb_read_frames -of csv=p=0 " +
            Quoted(str) + " 2>/dev/null");
        EXPECT_EQ(probe.output, std::to_string(s.width) + "," + std::to_string(s.height) + "," +
                                    std::to_string(s.frames) + "\n")
            << s.where << " at " << s.first_sector;
    }
}

TEST_F(DefaultDisc, CueNamesTheDataTrackAndTheAudioTrack) {
    const Bytes cue = ReadBytes(disc_.cue);
    EXPECT_EQ(std::string(cue.begin(), cue.end()),
              "FILE \"Test Disc (Track 1).bin\" BINARY\r\n"
              "  TRACK 01 MODE2/2352\r\n"
              "    INDEX 01 00:00:00\r\n"
              "FILE \"Test Disc (Track 2).bin\" BINARY\r\n"
              "  TRACK 02 AUDIO\r\n"
              "    INDEX 00 00:00:00\r\n"
              "    INDEX 01 00:02:00\r\n");
    EXPECT_EQ(fs::file_size(disc_.audio_bin) % kRawSectorSize, 0u);
    EXPECT_GT(fs::file_size(disc_.audio_bin), 0u);
}

TEST(DiscBuilderFaults, FileSystemFaultsAreInTheDirectoryRecords) {
    TempDir dir;
    DiscOptions options;
    options.directory_cycle = options.extent_past_end = options.zero_byte_file = true;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), options);
    const Bytes image = ReadBytes(disc.bin);
    const std::uint8_t* pvd = UserData(image, 16);
    const auto root = ReadDirectory(image, Le32(pvd + 156 + 2));
    const Record* data = Find(root, "DATA");
    ASSERT_NE(data, nullptr);
    const auto records = ReadDirectory(image, data->extent);
    const Record* loop = Find(records, "LOOP");
    ASSERT_NE(loop, nullptr);
    EXPECT_TRUE(loop->directory);
    EXPECT_EQ(loop->extent, data->extent);
    const Record* lost = Find(records, "LOST.DAT;1");
    ASSERT_NE(lost, nullptr);
    EXPECT_GE(lost->extent, disc.sectors);
    const Record* empty = Find(records, "EMPTY.DAT;1");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->size, 0u);
}

TEST(DiscBuilderFaults, NoFileSystemKeepsTheStreamsAndTruncationCuts) {
    TempDir dir;
    DiscOptions options;
    options.no_file_system = true;
    options.truncate_to = 3000;
    const BuiltDisc disc = BuildPsxDisc(dir.path(), options);
    const Bytes image = ReadBytes(disc.bin);
    ASSERT_EQ(image.size(), 3000u * kRawSectorSize);
    EXPECT_EQ(disc.sectors, 3000);
    for (std::int64_t s = 16; s < 25; ++s) {
        EXPECT_TRUE(CheckSector(SectorAt(image, s), s).ok());
        EXPECT_NE(std::memcmp(UserData(image, s) + 1, "CD001", 5), 0);
    }
    // Only what a sector walk finds, and only what lies before the cut.
    ASSERT_FALSE(disc.expected.empty());
    for (const auto& e : disc.expected) {
        EXPECT_TRUE(e.code == 0 || e.code == 1 || e.code == 10) << e.where;
        EXPECT_LT(e.end, 3000);
        const bool audio = (Submode(image, e.start) & 0x24) == 0x24;
        const bool video = Le32(UserData(image, e.start)) == 0x80010160u;
        EXPECT_TRUE(e.code == 10 ? audio : video) << e.start;
    }
}

TEST(DiscBuilderSize, PadsToTheAskedSizeAndTakesACallersFrameEncoder) {
    TempDir dir;
    DiscOptions options;
    options.total_sectors = 20000;
    int calls = 0;
    MovieSpec extra{"/MOVIE/EXTRA.STR", 320, 240, 5, 2, 0, 3, 3, {}};
    extra.encoder = [&calls](const FrameRequest& request) {
        ++calls;
        return EncodeTestFrameV2(request);
    };
    options.extra_movies.push_back(extra);
    const BuiltDisc disc = BuildPsxDisc(dir.path(), options);
    EXPECT_EQ(disc.sectors, 20000);
    EXPECT_EQ(fs::file_size(disc.bin), 20000u * kRawSectorSize);
    EXPECT_EQ(calls, 5);
    const auto big = std::ranges::find(disc.files, std::string("/DATA/BIG.DAT"), &BuiltFile::path);
    ASSERT_NE(big, disc.files.end());
    const auto movie =
        std::ranges::find(disc.expected, std::string("/MOVIE/EXTRA.STR"), &ExpectedEntry::where);
    ASSERT_NE(movie, disc.expected.end());
    EXPECT_EQ(movie->end - movie->start + 1, 15);

    const Bytes image = ReadBytes(disc.bin);
    for (std::int64_t s = big->first_sector; s < disc.sectors; s += 997)
        ASSERT_TRUE(CheckSector(SectorAt(image, s), s).ok()) << s;
    EXPECT_TRUE(CheckSector(SectorAt(image, disc.sectors - 1), disc.sectors - 1).ok());
    EXPECT_EQ(Submode(image, big->first_sector + big->sectors - 1), 0x89);
}

}  // namespace
}  // namespace vorlix::test
