// vorlix-cli verify: is the image a sound CD image, and where is it not.

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/failure.h"
#include "cli/commands.h"
#include "cli/progress.h"
#include "disc/covered_structures.h"
#include "disc/file_system.h"
#include "entries/list_reader.h"
#include "files/sector_file.h"
#include "image/image_verify.h"
#include "image/range_labels.h"

namespace vorlix::cli {

namespace {

constexpr std::size_t kRangesShown = 20;

// What the ranges are told by: the list's entries when --list is given, otherwise the files of
// the image's file system when it has one; nothing without either. A file system beyond the
// walk's caps names no file at all (a part of it could name a damaged tree's junk), and `why`
// says so.
std::optional<RangeLabels> LabelsFor(const Arguments& a, const std::filesystem::path& bin,
                                     std::string& why) {
    if (!a.list.empty())
        return RangeLabels(EntryRanges(ReadEntryLines(ReadWholeFile(a.list))), "no entry");
    const FileSystem fs = ReadFileSystem(bin, a.track.sectors);
    if (!fs.found) return std::nullopt;
    if (!fs.cut_short.empty()) {
        why = fs.cut_short + " No file is named below; every sector is checked all the same.";
        return RangeLabels({}, "no file");
    }
    std::vector<NamedRange> files;
    for (const DiscFile& f : fs.files)
        if (f.sectors > 0)
            files.push_back({f.first_sector, f.first_sector + f.sectors - 1, f.path});
    return RangeLabels(std::move(files), "no file");
}

std::string Sectors(std::int64_t n) {
    return std::to_string(n) + (n == 1 ? " sector" : " sectors");
}

std::string RunText(const SectorRun& run) {
    return run.count == 1
               ? std::to_string(run.first)
               : std::to_string(run.first) + "-" + std::to_string(run.first + run.count - 1);
}

}  // namespace

int VerifyCommand(const Arguments& a, Streams s) {
    // The front end has already taken a cue sheet to its data track.
    const std::filesystem::path bin = a.image;
    std::string unlabelled;
    const std::optional<RangeLabels> labels = LabelsFor(a, bin, unlabelled);
    if (!unlabelled.empty()) s.err << "vorlix-cli: " << unlabelled << "\n";
    if (!a.list.empty())
        for (const std::string& warning :
             EntriesCoveringStructures(ReadEntryLines(ReadWholeFile(a.list)), bin))
            s.err << "vorlix-cli: " << warning << "\n";

    const std::int64_t length = FileLength(bin);
    const std::int64_t track_sectors =
        a.track.sectors >= 0 ? a.track.sectors : std::max<std::int64_t>(length, 0) / 2352;
    ProgressBar bar(s.err, s.err_is_terminal, static_cast<std::size_t>(track_sectors));
    VerifyReport report;
    try {
        report = VerifyImage(
            bin, [&](std::int64_t done, std::int64_t) { bar.Show(static_cast<std::size_t>(done)); },
            a.track.sectors);
    } catch (...) {
        bar.Finish();
        throw;
    }
    bar.Finish();

    s.out << "Verified " << DisplayPath(bin) << ": " << Sectors(report.sectors) << ", "
          << report.sectors_with_problems << " with problems.\n";
    // Audio sectors have no sync or header: checked as data they would all be problems.
    if (a.track.other_sectors > 0)
        s.out << "Left out " << Sectors(a.track.other_sectors)
              << " of the audio tracks after the data track in the same file.\n";
    for (std::size_t kind = 0; kind < kSectorProblemKinds; ++kind) {
        const std::vector<SectorRun>& runs = report.runs[kind];
        if (runs.empty()) continue;
        s.out << ProblemName(static_cast<SectorProblem>(kind)) << ": "
              << Sectors(report.counts[kind]) << " in " << runs.size()
              << (runs.size() == 1 ? " range\n" : " ranges\n");
        const std::size_t shown = a.all ? runs.size() : std::min(runs.size(), kRangesShown);
        for (std::size_t i = 0; i < shown; ++i) {
            s.out << "  " << RunText(runs[i]) << " (" << Sectors(runs[i].count) << ")";
            if (labels) s.out << ": " << labels->LabelOf(runs[i]);
            s.out << "\n";
        }
        if (shown < runs.size())
            s.out << "  and " << runs.size() - shown << " more (--all lists them)\n";
    }
    if (report.trailing_bytes > 0)
        s.out << "The image ends with " << report.trailing_bytes
              << " bytes that do not make a whole sector.\n";
    s.out << (report.clean() ? "No problems found.\n" : "The image has problems.\n");
    return report.clean() ? kExitOk : kExitProblemsFound;
}

}  // namespace vorlix::cli
