#include "image/audio_silence.h"

#include <algorithm>
#include <memory>

#include "base/failure.h"
#include "files/image_lock.h"
#include "files/sector_file.h"

namespace vorlix {

namespace {

struct TrackFile {
    std::filesystem::path path;
    std::unique_ptr<ImageLock> lock;
    std::unique_ptr<SectorFile> file;
    DiskUse before;
};

std::string Row(const AudioSpan& span) {
    const std::uint64_t sectors = (span.end - span.begin + kRawSectorSize - 1) / kRawSectorSize;
    return "track " + std::to_string(span.track) + ": " + DisplayPath(span.file) + ", bytes " +
           std::to_string(span.begin) + "-" + std::to_string(span.end - 1) + " (" +
           std::to_string(sectors) + (sectors == 1 ? " sector)" : " sectors)");
}

void Silence(SectorFile& file, const AudioSpan& span) {
    const auto first = static_cast<std::int64_t>(span.begin / kRawSectorSize);
    const auto whole_end = static_cast<std::int64_t>(span.end / kRawSectorSize);
    file.ZeroSectors(first, whole_end - first);
    // A file that ends inside a sector keeps its length: its last bytes are written, not grown.
    const std::uint64_t tail = span.end % kRawSectorSize;
    if (tail > 0) {
        const std::vector<std::uint8_t> zeros(tail, 0);
        file.WriteAt(span.end - tail, zeros);
    }
}

}  // namespace

SilenceReport SilenceAudio(const std::vector<AudioSpan>& spans, bool dry_run) {
    // Every file is locked, examined and opened before the first write, so that a refusal of
    // one leaves all of them as they were.
    std::vector<TrackFile> files;
    const auto file_of = [&files](const std::filesystem::path& path) -> TrackFile& {
        for (TrackFile& f : files) {
            std::error_code ec;
            if (f.path == path || std::filesystem::equivalent(f.path, path, ec)) return f;
        }
        return files.emplace_back(TrackFile{path, nullptr, nullptr, {}});
    };
    SilenceReport report;
    for (const AudioSpan& span : spans) {
        TrackFile& f = file_of(span.file);
        if (!f.lock) {
            f.lock = std::make_unique<ImageLock>(f.path,
                                                 dry_run ? ImageAccess::Read : ImageAccess::Write);
            f.file = std::make_unique<SectorFile>(
                f.path, dry_run ? OpenMode::ReadOnly : OpenMode::ReadWrite);
            f.before = DiskUseOf(f.path);
            report.before += f.before.allocated;
        }
        if (span.end > f.before.length || span.begin >= span.end)
            throw Failure("Cannot silence track " + std::to_string(span.track) + ": " +
                          DisplayPath(span.file) + " holds " + std::to_string(f.before.length) +
                          " bytes, not bytes " + std::to_string(span.begin) + "-" +
                          std::to_string(span.end) + ".");
        ++report.tracks;
        report.bytes += span.end - span.begin;
        report.rows.push_back(Row(span));
    }
    if (dry_run) {
        std::uint64_t holes = 0;
        for (const AudioSpan& span : spans) {
            const TrackFile& f = file_of(span.file);
            const ByteSpan hole = HoleIn(span.begin, span.end, f.before.block, f.before.length);
            if (hole.end > hole.begin) holes += hole.end - hole.begin;
        }
        report.after = report.before - std::min(report.before, holes);
        return report;
    }
    for (const AudioSpan& span : spans) Silence(*file_of(span.file).file, span);
    for (TrackFile& f : files) {
        f.file->Flush();
        f.file->Close();
        report.after += DiskUseOf(f.path).allocated;
    }
    return report;
}

std::string SilenceSummary(const SilenceReport& r, bool dry_run) {
    const std::string tracks =
        std::to_string(r.tracks) + (r.tracks == 1 ? " audio track" : " audio tracks");
    const std::string bytes = std::to_string(r.bytes) + (r.bytes == 1 ? " byte" : " bytes");
    const std::uint64_t freed = r.before > r.after ? r.before - r.after : 0;
    std::string text = dry_run ? "Dry run: " + tracks + ", " + bytes +
                                     ", would become silent; nothing was written.\n"
                               : "Silenced " + tracks + ": " + bytes + " are now silent.\n";
    for (const std::string& row : r.rows) text += row + '\n';
    if (dry_run)
        return text + "Disk space it could give back: up to " + std::to_string(freed) +
               " bytes (allocated now " + std::to_string(r.before) + " bytes).\n";
    return text + "Disk space given back: " + std::to_string(freed) + " bytes (allocated " +
           std::to_string(r.before) + " bytes before, " + std::to_string(r.after) + " after).\n";
}

}  // namespace vorlix
