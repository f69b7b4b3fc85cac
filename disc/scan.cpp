#include "disc/scan.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "disc/file_system.h"
#include "disc/image_source.h"
#include "disc/sector_kinds.h"
#include "disc/sector_walk.h"
#include "disc/warning_cap.h"
#include "image/failure.h"
#include "image/image_lock.h"
#include "image/sector_file.h"

namespace vorlix {

namespace {

// Sectors read at once: about 4 MiB, large enough that the walk runs at the disk's pace.
constexpr std::int64_t kBatchSectors = 1792;

struct ScannedFile {
    const DiscFile* file;
    FileEvidence evidence;
};

std::string StemOf(const std::string& path) {
    const auto dot = path.rfind('.');
    return dot == std::string::npos || dot < path.rfind('/') ? path : path.substr(0, dot);
}

bool EndsWithVb(const std::string& path) {
    return path.size() > 3 && path[path.size() - 3] == '.' &&
           std::toupper(static_cast<unsigned char>(path[path.size() - 2])) == 'V' &&
           std::toupper(static_cast<unsigned char>(path[path.size() - 1])) == 'B';
}

// The files worth a look: empty ones are named in a warning, and of several records that share
// one extent only the first is kept.
std::vector<ScannedFile> FilesToScan(const FileSystem& fs, std::vector<std::string>& warnings) {
    std::vector<ScannedFile> files;
    CappedWarnings empty("files are empty (0 bytes); they are not listed either.");
    for (const DiscFile& f : fs.files) {
        if (f.sectors == 0) {
            empty.Add("The file " + f.path + " is empty (0 bytes); it is not listed.");
            continue;
        }
        // The files come in sector order, so records of one extent sit together.
        bool same_extent = false;
        for (auto it = files.rbegin(); it != files.rend(); ++it) {
            if (it->file->first_sector != f.first_sector) break;
            same_extent = same_extent || it->file->sectors == f.sectors;
        }
        if (!same_extent) files.push_back({&f, {}});
    }
    empty.AppendTo(warnings);
    return files;
}

// One pass over the image: every sector looked at once, for the files it lies in and the walk.
class Pass {
public:
    explicit Pass(std::vector<ScannedFile>& files) : files_(files) {}

    void Sector(std::int64_t s, SectorView sector) {
        while (next_ < files_.size() && files_[next_].file->first_sector <= s)
            active_.push_back(next_++);
        std::erase_if(active_, [&](std::size_t i) {
            return files_[i].file->first_sector + files_[i].file->sectors <= s;
        });
        const SectorLook look = LookAt(sector);
        for (const std::size_t i : active_) {
            ScannedFile& f = files_[i];
            f.evidence.Add(look);
            if (f.file->first_sector == s) f.evidence.magic = MagicOf(sector, f.file->bytes);
            if (f.evidence.all_zero && !UserDataIsZero(sector, look.form2))
                f.evidence.all_zero = false;
        }
        walk_.Feed(s, look, active_.empty() ? -1 : static_cast<int>(active_.front()));
    }

    SectorWalk& Walk() { return walk_; }

private:
    std::vector<ScannedFile>& files_;
    std::size_t next_ = 0;
    std::vector<std::size_t> active_;
    SectorWalk walk_;
};

bool Overlaps(const std::vector<ScannedEntry>& sorted, std::int64_t start, std::int64_t end) {
    auto it = std::upper_bound(sorted.begin(), sorted.end(), end,
                               [](std::int64_t e, const ScannedEntry& x) { return e < x.start; });
    return it != sorted.begin() && std::prev(it)->end >= start;
}

}  // namespace

std::string KindOfCode(int code) {
    switch (code) {
        case 0:
            return "movie";
        case 1:
            return "movie with XA audio";
        case 10:
            return "XA audio";
        case 20:
            return "TIM image";
        case 31:
            return "VAB header";
        case 32:
            return "VAB body";
        case 40:
            return "SEQ sequence";
        case 99:
            return "dummy";
    }
    return "unknown";
}

namespace {

// Entries from whole files, in sector order; a file that overlaps one listed before it is named
// in a warning and left out, so that entries never overlap.
std::vector<ScannedEntry> FileEntries(std::vector<ScannedFile>& files,
                                      std::vector<std::string>& warnings) {
    std::vector<ScannedEntry> entries;
    CappedWarnings overlapping(
        "files overlap files listed before them; they are not listed either.");
    std::vector<int> codes(files.size(), -1);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const DiscFile& f = *files[i].file;
        std::string why;
        codes[i] = ClassifyFile(f, files[i].evidence, why);
        // A VAB body has no magic: it is the .VB that follows a VAB header of the same name.
        if (codes[i] < 0 && EndsWithVb(f.path)) {
            for (std::size_t h = 0; h < i; ++h)
                if (codes[h] == 31 && StemOf(files[h].file->path) == StemOf(f.path)) {
                    codes[i] = 32;
                    why = "body of the VAB header " + files[h].file->path + "; " +
                          files[i].evidence.Counts();
                }
        }
        if (codes[i] < 0) continue;
        const std::int64_t end = f.first_sector + f.sectors - 1;
        if (!entries.empty() && entries.back().end >= f.first_sector) {
            overlapping.Add("The file " + f.path + " (sectors " + std::to_string(f.first_sector) +
                            "-" + std::to_string(end) + ") overlaps " + entries.back().where +
                            "; it is not listed.");
            codes[i] = -1;
            continue;
        }
        entries.push_back({f.first_sector, end, codes[i], f.path, why});
    }
    overlapping.AppendTo(warnings);
    return entries;
}

}  // namespace

std::optional<ScanResult> ScanImage(const std::filesystem::path& image,
                                    const ScanProgress& progress) {
    ScanResult result;
    result.image = image;
    result.bin = DataTrackOf(image);
    const ImageLock lock(result.bin, ImageAccess::Read);
    SectorFile file(result.bin, OpenMode::ReadOnly);
    const std::uint64_t size = file.Size();
    const std::int64_t sectors = static_cast<std::int64_t>(size / kRawSectorSize);
    if (size % kRawSectorSize != 0)
        result.warnings.push_back(DisplayPath(result.bin) + " ends " +
                                  std::to_string(size % kRawSectorSize) + " bytes into sector " +
                                  std::to_string(sectors) +
                                  "; that partial sector is not scanned.");

    const FileSystem fs = ReadFileSystem(result.bin);
    result.file_system = fs.found;
    if (!fs.found)
        result.warnings.push_back(DisplayPath(result.bin) +
                                  " holds no ISO 9660 file system; only the sector walk ran.");
    result.warnings.insert(result.warnings.end(), fs.warnings.begin(), fs.warnings.end());
    std::vector<ScannedFile> files = FilesToScan(fs, result.warnings);

    Pass pass(files);
    std::vector<std::uint8_t> batch;
    for (std::int64_t first = 0; first < sectors; first += kBatchSectors) {
        if (progress && !progress(first, sectors)) return std::nullopt;
        const std::int64_t count = std::min(kBatchSectors, sectors - first);
        batch.resize(static_cast<std::size_t>(count) * kRawSectorSize);
        file.ReadSectors(first, batch);
        // The next batch comes from the disk while this one is looked at.
        file.Prefetch(first + count, kBatchSectors);
        for (std::int64_t i = 0; i < count; ++i)
            pass.Sector(first + i, SectorView(batch.data() + i * kRawSectorSize, kRawSectorSize));
    }
    pass.Walk().Finish();
    file.Close();
    if (progress && !progress(sectors, sectors)) return std::nullopt;

    std::vector<ScannedEntry> entries = FileEntries(files, result.warnings);
    const std::vector<ScannedEntry> from_files = entries;
    for (const MediaRun& run : pass.Walk().Runs()) {
        if (Overlaps(from_files, run.start, run.end)) continue;
        std::string evidence = run.Evidence();
        if (run.context >= 0) evidence += "; inside " + files[run.context].file->path;
        entries.push_back({run.start, run.end, run.code, "sector walk", evidence});
    }
    std::sort(entries.begin(), entries.end(),
              [](const ScannedEntry& a, const ScannedEntry& b) { return a.start < b.start; });
    result.entries = std::move(entries);
    return result;
}

}  // namespace vorlix
