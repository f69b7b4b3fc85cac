// The scan on realistic images from the disc builder: the list it gives, Rip All on that list, an
// independent reader's file list, and the builder's damaged images.

#include <gtest/gtest.h>

#include <cdio/iso9660.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>

#include "disc/entry_list_writer.h"
#include "disc/file_kinds.h"
#include "disc/file_system.h"
#include "disc/scan.h"
#include "entries/entry_details.h"
#include "entries/entry_range.h"
#include "entries/list_reader.h"
#include "files/file_faults.h"
#include "files/sector_file.h"
#include "image/rip_all.h"
#include "support/built_disc.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

namespace fs = std::filesystem;

// Entries as "start:end:code" lines, to compare a scan with the builder's expectation.
template <typename Entries>
std::string Printed(const Entries& entries) {
    std::ostringstream out;
    for (const auto& e : entries) out << e.start << ":" << e.end << ":" << e.code << "\n";
    return out.str();
}

std::string Warnings(const ScanResult& scan) {
    std::string all;
    for (const std::string& w : scan.warnings) all += w + "\n";
    return all;
}

struct IsoCloser {
    void operator()(iso9660_t* iso) const { iso9660_close(iso); }
};

// libiso9660, an independent reader, finds every file where ours does.
void ExpectLibIsoAgrees(const fs::path& bin, const FileSystem& files) {
    std::unique_ptr<iso9660_t, IsoCloser> iso(iso9660_open_fuzzy(bin.c_str(), 32));
    ASSERT_TRUE(iso) << "libiso9660 cannot open " << bin;
    for (const DiscFile& f : files.files) {
        iso9660_stat_t* stat = iso9660_ifs_stat(iso.get(), (f.path + ";1").c_str());
        EXPECT_NE(stat, nullptr) << f.path;
        if (!stat) continue;
        EXPECT_EQ(stat->lsn, f.first_sector) << f.path;
        iso9660_stat_free(stat);
    }
}

class ScanDisc : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(ScanDisc, GivesTheExpectedListThroughTheBinAndTheCue) {
    const BuiltDisc disc = BuildPsxDisc(dir.path());
    const ScanResult scan = *ScanImage(disc.bin);
    EXPECT_TRUE(scan.file_system);
    EXPECT_EQ(Printed(scan.entries), Printed(disc.expected));
    EXPECT_EQ(Warnings(scan), "");
    // Our reader finds every file where the builder says it put it (libiso9660 agrees, in the Rip
    // All test).
    std::map<std::string, std::int64_t> found;
    for (const DiscFile& f : ReadFileSystem(disc.bin).files) found[f.path] = f.first_sector;
    for (const auto& f : disc.files) EXPECT_EQ(found[f.path], f.first_sector) << f.path;
    EXPECT_EQ(found.size(), disc.files.size());

    // The written list reads back as exactly the scanned entries, each of a known type.
    std::string read_back;
    for (const auto line : ReadEntryLines(FormatEntryList(scan, "game.bin"))) {
        const EntryDetails d = ShowEntryDetails(line);
        EXPECT_NE(d.type_name, "???") << line;
        read_back += d.start + ":" + d.end + ":" + d.type_code + "\n";
    }
    EXPECT_EQ(read_back, Printed(scan.entries));
    std::int64_t last = -1;
    const auto through_cue = ScanImage(disc.cue, [&](std::int64_t done, std::int64_t total) {
        EXPECT_EQ(total, disc.sectors);
        EXPECT_GT(done, last);
        last = done;
        return true;
    });
    EXPECT_EQ(through_cue->bin, disc.bin);
    EXPECT_EQ(Printed(through_cue->entries), Printed(disc.expected));
    EXPECT_EQ(last, disc.sectors);
    EXPECT_FALSE(ScanImage(disc.cue, [](std::int64_t, std::int64_t) { return false; }));
}

// Whether the entry's sectors hold what its code says, judged sector by sector.
bool HoldsItsType(const Bytes& image, const ScannedEntry& e) {
    std::int64_t video = 0, audio = 0, zero = 0;
    for (std::int64_t s = e.start; s <= e.end; ++s) {
        const Bytes sector = SectorsOf(image, s, 1);
        const SectorLook look = LookAt(SectorView(sector.data(), sector.size()));
        video += look.kind == SectorKind::Video;
        audio += look.kind == SectorKind::Audio;
        zero += UserDataIsZero(SectorView(sector.data(), sector.size()), look.form2);
    }
    const std::int64_t n = e.end - e.start + 1;
    const Bytes first = SectorsOf(image, e.start, 1);
    const FileMagic magic = MagicOf(SectorView(first.data(), first.size()), n * 2048);
    switch (e.code) {
        case 0:
            return video == n;
        case 1:
            return video + audio == n && video > 0 && audio > 0;
        case 10:
            return audio == n;
        case 20:
            return magic == FileMagic::Tim;
        case 31:
            return magic == FileMagic::VabHeader;
        case 40:
            return magic == FileMagic::Seq;
        case 99:
            return zero == n;
    }
    return e.code == 32;
}

// The sum of the evidence's sector counts ("1611 STR video sectors, 12 XA audio ...").
std::int64_t CountedSectors(const std::string& evidence) {
    std::int64_t sum = 0;
    const std::regex count(R"((\d+) (STR video|XA audio|data|non-Mode 2)\b)");
    for (std::sregex_iterator it(evidence.begin(), evidence.end(), count), end; it != end; ++it)
        sum += std::stoll((*it)[1].str());
    return sum;
}

// On the plain disc and on discs with every damaged and hostile record at once: the list is what
// the sectors hold, no entry covers a structure of the file system, every entry holds what its
// type says and its evidence counts its own sectors, and Rip All on the list changes nothing else.
TEST_F(ScanDisc, RipAllOnTheScannedListLeavesEveryOtherFileAsItWas) {
    // Real mastering tools' movie layouts too, and files recorded inside another's movie. The
    // directory bombs lie after the files, so they have a test of their own.
    DiscOptions hostile{.mastered_movie = true,
                        .interleaved_movies = true,
                        .record_ends = true,
                        .directory_cycle = true,
                        .extent_past_end = true,
                        .zero_byte_file = true,
                        .dummy_over_file_system = true,
                        .tim_named_dummy = true,
                        .movie_bytes_per_sector = 2336,
                        .overlapping_files = true};
    DiscOptions hostile2352 = hostile;
    hostile2352.movie_bytes_per_sector = 2352;
    for (const auto& [name, options] :
         {std::pair{"plain", DiscOptions{}}, {"2336", hostile}, {"2352", hostile2352}}) {
        SCOPED_TRACE(name);
        const BuiltDisc disc = BuildPsxDisc(dir / name, options);
        const FileSystem before = ReadFileSystem(disc.bin);
        std::vector<bool> structure(static_cast<std::size_t>(disc.sectors));
        for (const DiscStructure& s : before.structures)
            for (std::int64_t k = s.first_sector; k <= s.last_sector(); ++k) structure[k] = true;
        EXPECT_EQ(std::count(structure.begin(), structure.end(), true), disc.file_system_end);
        EXPECT_EQ(std::find(structure.begin(), structure.end(), false) - structure.begin(),
                  disc.file_system_end);
        ExpectLibIsoAgrees(disc.bin, before);
        const Bytes image = ReadBytes(disc.bin);

        const ScanResult scan = *ScanImage(disc.cue);
        EXPECT_EQ(Printed(scan.entries), Printed(disc.expected));
        for (const ScannedEntry& e : scan.entries) {
            EXPECT_GE(e.start, disc.file_system_end) << e.where;
            EXPECT_TRUE(HoldsItsType(image, e)) << e.start << ":" << e.end << ":" << e.code;
            if (e.code <= 10 && e.where != "sector walk") {
                EXPECT_EQ(CountedSectors(e.evidence), e.end - e.start + 1) << e.evidence;
            }
        }
        const EntryLines lines = ReadEntryLines(FormatEntryList(scan, "game.cue"));
        const RipAllReport report =
            RipAll(lines, disc.bin, VORLIX_BUILT_BLANKS_DIR, WalkHooks(lines));
        EXPECT_GT(report.entries_ripped, 5u);

        // Sectors that no ripped entry covers, the file system's among them, are untouched.
        const Bytes ripped = ReadBytes(disc.bin);
        ASSERT_EQ(ripped.size(), image.size());
        std::vector<bool> covered(static_cast<std::size_t>(disc.sectors));
        for (const ScannedEntry& e : scan.entries)
            if (e.code == 0 || e.code == 1 || e.code == 10 || e.code == 99)
                for (std::int64_t s = e.start; s <= e.end; ++s) covered[s] = true;
        for (std::int64_t s = 0; s < disc.sectors; ++s)
            if (!covered[s]) {
                ASSERT_EQ(SectorsOf(ripped, s, 1), SectorsOf(image, s, 1)) << s;
            }
        EXPECT_NE(ripped, image);
    }
}

TEST_F(ScanDisc, DamagedImagesGiveWarningsAndWhatCanStillBeFound) {
    struct Case {
        const char* name;
        DiscOptions options;  // truncated: cut to 4000 sectors and 100 bytes
        const char* warning;
    };
    const std::vector<Case> cases = {
        {"cycle", {.directory_cycle = true}, "The directory /DATA/LOOP (sector "},
        {"past-end", {.extent_past_end = true}, "The file /DATA/LOST.DAT (sector "},
        {"empty",
         {.zero_byte_file = true},
         "The file /DATA/EMPTY.DAT is empty (0 bytes); it is not listed."},
        {"no-fs",
         {.no_file_system = true},
         " holds no ISO 9660 file system; only the sector walk ran."},
        {"root-huge",
         {.root_extent_huge = true},
         "The directory / (sector 4294967280, 2048 bytes) ends past the image's last sector"},
        {"truncated",
         {.truncate_to = 4000},
         "ends 100 bytes into sector 4000; that partial sector is not scanned."},
        {"dummy-over-fs",
         {.dummy_over_file_system = true},
         "The file /DUMMY.DAT (sectors 10-309) covers the system area (sectors 0-15), the primary "
         "volume descriptor (sector 16), the volume descriptor set terminator (sector 17), the "
         "path table (L) (sector 18) and 6 more of the file system; it is not listed.\n"},
        // Of each kind of warning 20 are named, then how many more.
        {"crowded",
         {.crowded_directory = true},
         "\nand 24556 more files are empty (0 bytes); they are not listed either.\n"},
        {"shared",
         {.overlapping_files = true},
         "S29.STR (sectors 197-217) starts inside the movie of /MOVIE/OPENING.STR; it is not "
         "listed.\nand 10 more files start inside a movie; they are not listed either.\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const BuiltDisc disc = BuildPsxDisc(dir / c.name, c.options);
        if (c.options.truncate_to > 0) {
            Bytes bytes = ReadBytes(disc.bin);
            bytes.resize(bytes.size() + 100);
            WriteBytes(disc.bin, bytes);
        }
        // A cue takes no file cut mid-sector for its data track; the .bin itself is scanned.
        const ScanResult scan = *ScanImage(c.options.truncate_to > 0 ? disc.bin : disc.cue);
        EXPECT_NE(Warnings(scan).find(c.warning), std::string::npos) << Warnings(scan);
        EXPECT_LE(scan.warnings.size(), 21u);
        EXPECT_EQ(Printed(scan.entries), Printed(disc.expected));
    }
}

// The directories are read through the file layer like every other sector: one that fails to
// read is named and skipped, and the volume still counts as found.
TEST_F(ScanDisc, ADirectorySectorThatFailsToReadIsNamed) {
    const BuiltDisc disc = BuildPsxDisc(dir.path());
    const FileSystem clean = ReadFileSystem(disc.bin);
    const auto root = std::ranges::find(clean.structures, "the directory /", &DiscStructure::name);
    ASSERT_NE(root, clean.structures.end());
    ASSERT_TRUE(clean.warnings.empty());
    // The check of sector 16, then the primary descriptor and the terminator; then the root.
    int reads = 0;
    SetFaultHook([&](FileCall call, const fs::path&) {
        return call == FileCall::Read && ++reads > 3 ? EIO : 0;
    });
    const FileSystem files = ReadFileSystem(disc.bin);
    SetFaultHook({});
    EXPECT_TRUE(files.found);
    EXPECT_TRUE(files.files.empty());
    ASSERT_EQ(files.warnings.size(), 1u);
    EXPECT_EQ(files.warnings[0], "Sector " + std::to_string(root->first_sector) +
                                     " of the directory / cannot be read; the rest of it is "
                                     "skipped.");
}

// Overlapping 1 MiB directories that name millions of records: the walk reads each sector once
// and stops at its caps, so the scan runs within a few times the image's directory bytes (and its
// 4 MiB read buffer), here proved in a child under an address-space limit.
TEST_F(ScanDisc, ADirectoryBombIsReadWithinBoundedMemory) {
    const BuiltDisc disc = BuildPsxDisc(dir.path(), {.overlapping_directories = true});
    const auto directory_bytes = static_cast<rlim_t>(disc.directory_sectors) * 2048;
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::ifstream status("/proc/self/status");
        std::uint64_t kib = 0;
        for (std::string key; status >> key && key != "VmSize:";) status.ignore(1 << 10, '\n');
        status >> kib;
        const rlim_t limit = kib * 1024 + 4 * directory_bytes + (8 << 20);
        const rlimit as{limit, limit};
        ::setrlimit(RLIMIT_AS, &as);
        try {
            const ScanResult scan = *ScanImage(disc.cue);
            const std::string warnings = Warnings(scan);
            const bool told =
                warnings.find("overlap directories already read; they are not read.\n") !=
                    std::string::npos &&
                warnings.find(
                    "The directories of the file system come to more than 2097152 "
                    "bytes, more than any disc holds; the rest of them is not read.\n") !=
                    std::string::npos;
            ::_exit(Printed(scan.entries) == Printed(disc.expected) && told ? 0 : 1);
        } catch (...) {
            ::_exit(2);
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

}  // namespace
}  // namespace vorlix::test
