#include "disc/file_scan.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "disc/warning_cap.h"
#include "entries/type_codes.h"

namespace vorlix {

namespace {

// Mastering tools record a Form 2 file's size at 2048 bytes a sector, some at 2336 or 2352.
std::int64_t RecordedSectors(const DiscFile& f) {
    if (f.form2())
        for (const std::uint64_t per : {2336u, 2352u})
            if (f.bytes % per == 0 && f.bytes % 2048 != 0)
                return static_cast<std::int64_t>(f.bytes / per);
    return f.sectors;
}

std::string SectorsText(std::int64_t first, std::int64_t last) {
    return first == last ? "sector " + std::to_string(first)
                         : "sectors " + std::to_string(first) + "-" + std::to_string(last);
}

std::string StemOf(const std::string& path) {
    const auto dot = path.rfind('.');
    return dot == std::string::npos || dot < path.rfind('/') ? path : path.substr(0, dot);
}

bool EndsWithVb(const std::string& path) {
    return path.size() > 3 && path[path.size() - 3] == '.' &&
           std::toupper(static_cast<unsigned char>(path[path.size() - 2])) == 'V' &&
           std::toupper(static_cast<unsigned char>(path[path.size() - 1])) == 'B';
}

FileEvidence EvidenceOf(const MediaRun& run) {
    FileEvidence e;
    e.video = run.video;
    e.audio = run.audio;
    e.first_frame = run.first_frame;
    e.last_frame = run.last_frame;
    e.all_zero = e.filler = false;
    return e;
}

}  // namespace

std::vector<ScannedFile> FilesToScan(const FileSystem& fs, std::vector<std::string>& warnings) {
    std::vector<ScannedFile> files;
    CappedWarnings empty("files are empty (0 bytes); they are not listed either.");
    std::vector<std::int64_t> starts;  // where a file or structure begins, to end the one before
    for (const DiscStructure& s : fs.structures) starts.push_back(s.first_sector);
    for (const DiscFile& f : fs.files) {
        if (f.sectors == 0) {
            empty.Add("The file " + f.path + " is empty (0 bytes); it is not listed.");
            continue;
        }
        starts.push_back(f.first_sector);
        // The files come in sector order, so records of one extent sit together.
        bool same_extent = false;
        for (auto it = files.rbegin(); it != files.rend(); ++it) {
            if (it->file->first_sector != f.first_sector) break;
            same_extent = same_extent || it->file->sectors == f.sectors;
        }
        if (same_extent) continue;
        ScannedFile scanned;
        scanned.file = &f;
        scanned.recorded_end = f.first_sector + std::max<std::int64_t>(1, RecordedSectors(f)) - 1;
        scanned.dummy_name = NameSaysDummy(f.path);
        files.push_back(std::move(scanned));
    }
    std::ranges::sort(starts);
    for (ScannedFile& f : files) {
        const auto next = std::ranges::upper_bound(starts, f.file->first_sector);
        f.head_end = next == starts.end() ? f.recorded_end : std::min(f.recorded_end, *next - 1);
    }
    empty.AppendTo(warnings);
    return files;
}

void AddSector(ScannedFile& f, std::int64_t s, SectorView sector, const SectorLook& look) {
    const bool media = look.kind == SectorKind::Video || look.kind == SectorKind::Audio;
    if (f.leading) {
        if (media) f.lead.Feed(s, look, 0);
        // Once its first stream has ended (or it did not begin with one) nothing more is needed.
        f.leading = media && f.lead.Runs().empty();
    }
    if (s > f.head_end) return;
    f.head.Add(look);
    if (s == f.file->first_sector) f.head.magic = MagicOf(sector, f.file->bytes);
    if (f.head.all_zero && !UserDataIsZero(sector, look.form2)) f.head.all_zero = false;
    if (f.dummy_name && s == f.file->first_sector) {
        const auto data = UserData(sector, look.form2);
        f.first_data.assign(data.begin(), data.end());
    }
    if (f.dummy_name && f.head.filler) f.head.filler = IsFiller(sector, look, f.first_data);
}

std::vector<ScannedEntry> FileEntries(std::vector<ScannedFile>& files, const FileSystem& fs,
                                      std::vector<std::string>& warnings) {
    std::vector<ScannedEntry> entries;
    CappedWarnings inside_stream("files start inside a movie; they are not listed either.");
    CappedWarnings covering("files cover the file system; they are not listed either.");
    CappedWarnings overlapping(
        "files overlap files listed before them; they are not listed either.");
    std::vector<int> codes(files.size(), kNotListed);
    std::vector<std::string> inside(files.size());  // why a file cannot be trusted
    for (std::size_t i = 0; i < files.size(); ++i) {
        ScannedFile& f = files[i];
        const DiscFile& file = *f.file;
        const std::string recorded =
            "The file " + file.path + " (" + SectorsText(file.first_sector, f.recorded_end) + ")";
        f.lead.Finish();
        const MediaRun* run = f.lead.Runs().empty() ? nullptr : &f.lead.Runs().front();
        if (run && run->start != file.first_sector) run = nullptr;
        FileEvidence evidence = f.head;
        f.end = f.head_end;
        if (run && run->code != kCodeXaAudio && run->end > f.head_end) {
            // A movie's frames run on where another file is recorded to begin: that file lies
            // inside this one's stream, and the movie owns its sectors.
            f.end = run->end;
            evidence = EvidenceOf(*run);
            for (std::size_t j = i + 1; j < files.size(); ++j)
                if (files[j].file->first_sector <= f.end &&
                    files[j].file->first_sector > file.first_sector && inside[j].empty())
                    inside[j] = "starts inside the movie of " + file.path;
        } else if (run && run->end < f.head_end) {
            f.end = run->end;  // the stream ends before the file's recorded size does
            evidence = EvidenceOf(*run);
        }
        if (!inside[i].empty()) {
            inside_stream.Add(recorded + " " + inside[i] + "; it is not listed.");
            continue;
        }
        DiscFile owned = file;
        owned.sectors = f.end - file.first_sector + 1;
        std::string why;
        codes[i] = ClassifyFile(owned, evidence, why);
        // A VAB body has no magic: it is the .VB that follows a VAB header of the same name.
        if (codes[i] == kNotListed && EndsWithVb(file.path)) {
            for (std::size_t h = 0; h < i; ++h)
                if (codes[h] == kCodeVabHeader &&
                    StemOf(files[h].file->path) == StemOf(file.path)) {
                    codes[i] = kCodeVabBody;
                    why =
                        "body of the VAB header " + files[h].file->path + "; " + evidence.Counts();
                }
        }
        if (codes[i] == kNotListed) continue;
        if (!StructuresIn(fs, file.first_sector, f.end).empty()) {
            covering.Add(recorded + " covers " +
                         NamesOf(StructuresIn(fs, file.first_sector, f.recorded_end)) +
                         " of the file system; it is not listed.");
            codes[i] = kNotListed;
            continue;
        }
        if (f.end < f.recorded_end)
            why += "; its recorded size of " + std::to_string(file.bytes) + " bytes reaches " +
                   SectorsText(f.recorded_end, f.recorded_end) + ", past what it holds";
        if (!entries.empty() && entries.back().end >= file.first_sector) {
            overlapping.Add(recorded + " overlaps " + entries.back().where + "; it is not listed.");
            codes[i] = kNotListed;
            continue;
        }
        entries.push_back({file.first_sector, f.end, codes[i], file.path, why});
    }
    for (const CappedWarnings* kind : {&inside_stream, &covering, &overlapping})
        kind->AppendTo(warnings);
    return entries;
}

}  // namespace vorlix
