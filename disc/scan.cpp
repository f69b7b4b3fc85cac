#include "disc/scan.h"

#include <algorithm>
#include <vector>

#include "base/failure.h"
#include "disc/file_scan.h"
#include "disc/file_system.h"
#include "disc/image_source.h"
#include "disc/sector_walk.h"
#include "disc/warning_cap.h"
#include "entries/type_codes.h"
#include "files/image_lock.h"
#include "files/sector_file.h"
#include "sector/sector_kind.h"

namespace vorlix {

namespace {

// Sectors read at once: about 4 MiB, large enough that the walk runs at the disk's pace.
constexpr std::int64_t kBatchSectors = 1792;

// One pass over the image: every sector looked at once, for the files it lies in and the walk.
class Pass {
public:
    explicit Pass(std::vector<ScannedFile>& files) : files_(files) {}

    void Sector(std::int64_t s, SectorView sector) {
        while (next_ < files_.size() && files_[next_].file->first_sector <= s)
            active_.push_back(next_++);
        std::erase_if(active_, [&](std::size_t i) { return files_[i].recorded_end < s; });
        const SectorLook look = LookAt(sector);
        // The walk is told the file whose head the sector lies in: a recorded size that runs on
        // into the next file does not move a run's boundary.
        int context = -1;
        for (const std::size_t i : active_) {
            AddSector(files_[i], s, sector, look);
            if (s <= files_[i].head_end) context = static_cast<int>(i);
        }
        walk_.Feed(s, look, context);
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
        case kCodeMovie:
            return "movie";
        case kCodeMovieWithAudio:
            return "movie with XA audio";
        case kCodeXaAudio:
            return "XA audio";
        case kCodeTim:
            return "TIM image";
        case kCodeVabHeader:
            return "VAB header";
        case kCodeVabBody:
            return "VAB body";
        case kCodeSeq:
            return "SEQ sequence";
        case kCodeDummy:
            return "dummy";
    }
    return "unknown";
}

std::optional<ScanResult> ScanImage(const std::filesystem::path& image,
                                    const ScanProgress& progress) {
    ScanResult result;
    result.image = image;
    const DataTrack track = ResolveImage(image);
    result.bin = track.bin;
    const ImageLock lock(result.bin, ImageAccess::Read);
    SectorFile file(result.bin, OpenMode::ReadOnly);
    const std::uint64_t size = file.Size();
    // The audio tracks after a data track in the same file are no part of its disc's data.
    const std::int64_t sectors =
        track.sectors >= 0 ? track.sectors : static_cast<std::int64_t>(size / kRawSectorSize);
    if (track.sectors < 0 && size % kRawSectorSize != 0)
        result.warnings.push_back(DisplayPath(result.bin) + " ends " +
                                  std::to_string(size % kRawSectorSize) + " bytes into sector " +
                                  std::to_string(sectors) +
                                  "; that partial sector is not scanned.");

    const FileSystem fs = ReadFileSystem(result.bin, track.sectors);
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

    std::vector<ScannedEntry> entries = FileEntries(files, fs, result.warnings);
    const std::vector<ScannedEntry> from_files = entries;
    CappedWarnings covering(
        "media runs of the sector walk cover the file system; they are not "
        "listed either.");
    for (const MediaRun& run : pass.Walk().Runs()) {
        if (Overlaps(from_files, run.start, run.end)) continue;
        if (const auto covered = StructuresIn(fs, run.start, run.end); !covered.empty()) {
            covering.Add("The media the sector walk found in sectors " + std::to_string(run.start) +
                         "-" + std::to_string(run.end) + " cover " + NamesOf(covered) +
                         " of the file system; they are not listed.");
            continue;
        }
        std::string evidence = run.Evidence();
        if (run.context >= 0 && files[run.context].end >= run.end)
            evidence += "; inside " + files[run.context].file->path;
        entries.push_back({run.start, run.end, run.code, "sector walk", evidence});
    }
    covering.AppendTo(result.warnings);
    std::sort(entries.begin(), entries.end(),
              [](const ScannedEntry& a, const ScannedEntry& b) { return a.start < b.start; });
    result.entries = std::move(entries);
    return result;
}

}  // namespace vorlix
