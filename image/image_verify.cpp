#include "image/image_verify.h"
#include "files/image_lock.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include "base/failure.h"
#include "files/mapped_file.h"
#include "files/sector_file.h"
#include "image/sector_copy.h"

namespace vorlix {

namespace {

// The runs of one batch of sectors, by kind, in ascending order.
using BatchRuns = std::array<std::vector<SectorRun>, kSectorProblemKinds>;

void AddSector(std::vector<SectorRun>& runs, std::int64_t sector) {
    if (!runs.empty() && runs.back().first + runs.back().count == sector)
        ++runs.back().count;
    else
        runs.push_back({sector, 1});
}

// Each sector's problems into `problems`, one byte per sector. Owns nothing, so that a look at a
// mapped file may be stopped anywhere in it.
void CheckSectors(std::span<const std::uint8_t> bytes, std::int64_t first, std::uint8_t* problems) {
    const auto n = static_cast<std::int64_t>(bytes.size() / kRawSectorSize);
    for (std::int64_t i = 0; i < n; ++i)
        problems[i] =
            SectorProblems(SectorView(bytes.data() + SectorOffset(i), kRawSectorSize), first + i);
}

BatchRuns RunsOf(std::span<const std::uint8_t> problems, std::int64_t first) {
    BatchRuns runs;
    for (std::size_t i = 0; i < problems.size(); ++i)
        for (std::size_t kind = 0; problems[i] != 0 && kind < kSectorProblemKinds; ++kind)
            if (problems[i] & (1u << kind))
                AddSector(runs[kind], first + static_cast<std::int64_t>(i));
    return runs;
}

}  // namespace

VerifyReport VerifyImage(const std::filesystem::path& bin, const VerifyProgress& progress,
                         std::int64_t sectors) {
    const ImageLock lock(bin, ImageAccess::Read);
    SectorFile file(bin, OpenMode::ReadOnly);
    const std::uint64_t size = file.Size();
    VerifyReport report;
    report.sectors = static_cast<std::int64_t>(size / kRawSectorSize);
    report.trailing_bytes = size % kRawSectorSize;
    if (sectors >= 0 && sectors < report.sectors) {
        report.sectors = sectors;
        report.trailing_bytes = 0;
    }

    const std::int64_t batches = (report.sectors + kCopyBatchSectors - 1) / kCopyBatchSectors;
    std::vector<BatchRuns> results(static_cast<std::size_t>(batches));
    std::atomic<std::int64_t> next{0};
    std::atomic<std::int64_t> done{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failure_mutex;

    // Each worker takes the next batch in file order, so together they read the file front to
    // back and the kernel's read-ahead for sequential reading keeps the disk busy while they
    // check; the results land in the batch's own slot. They look at the file's bytes where the
    // system caches them; where the file is not mapped, or a mapped page cannot be read, a batch
    // is read into a buffer, which also says why. (Asking for batches ahead with WILLNEED cost
    // more than it gave: the advice reads in the caller, and verify from disk took 1.7 times as
    // long.)
    const MappedFile mapped(file, static_cast<std::uint64_t>(SectorOffset(report.sectors)));
    const auto work = [&](bool reports_progress) {
        std::vector<std::uint8_t> buffer;
        std::vector<std::uint8_t> problems(static_cast<std::size_t>(kCopyBatchSectors));
        try {
            for (std::int64_t b = next++; b < batches && !failed; b = next++) {
                const std::int64_t first = b * kCopyBatchSectors;
                const std::int64_t n = std::min(kCopyBatchSectors, report.sectors - first);
                const auto length = static_cast<std::size_t>(SectorOffset(n));
                std::uint8_t* const out = problems.data();
                const auto check = [out, first](std::span<const std::uint8_t> bytes) {
                    CheckSectors(bytes, first, out);
                };
                if (!mapped.LookAt(static_cast<std::uint64_t>(SectorOffset(first)), length,
                                   check)) {
                    buffer.resize(length);
                    file.ReadSectors(first, buffer);
                    check(buffer);
                }
                results[static_cast<std::size_t>(b)] =
                    RunsOf(std::span(problems).first(static_cast<std::size_t>(n)), first);
                const std::int64_t total_done = done += n;
                if (reports_progress && progress) progress(total_done, report.sectors);
            }
        } catch (...) {
            const std::lock_guard lock(failure_mutex);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };
    std::thread helper;
    if (batches > 1) helper = std::thread(work, false);
    work(true);
    if (helper.joinable()) helper.join();
    if (failure) std::rethrow_exception(failure);
    // Another program changed the image's length under the walk: what was checked is not what
    // the file holds now, and sectors read past a new end only look empty.
    if (const std::uint64_t now = file.Size(); now != size)
        throw Failure(DisplayPath(bin) + " changed length while it was verified (" +
                      std::to_string(size) + " bytes, then " + std::to_string(now) +
                      "); verify it again when nothing else writes to it.");
    file.Close();
    if (progress) progress(report.sectors, report.sectors);

    // Runs that meet at a batch boundary become one.
    for (const BatchRuns& batch : results) {
        for (std::size_t kind = 0; kind < kSectorProblemKinds; ++kind) {
            std::vector<SectorRun>& all = report.runs[kind];
            for (const SectorRun& run : batch[kind]) {
                report.counts[kind] += run.count;
                if (!all.empty() && all.back().first + all.back().count == run.first)
                    all.back().count += run.count;
                else
                    all.push_back(run);
            }
        }
    }
    // Sectors with any problem: the union of all kinds' runs.
    std::vector<SectorRun> every;
    for (const auto& runs : report.runs) every.insert(every.end(), runs.begin(), runs.end());
    std::ranges::sort(every, {}, &SectorRun::first);
    std::int64_t covered_to = 0;
    for (const SectorRun& run : every) {
        const std::int64_t from = std::max(run.first, covered_to);
        const std::int64_t to = run.first + run.count;
        if (to > from) report.sectors_with_problems += to - from;
        covered_to = std::max(covered_to, to);
    }
    return report;
}

}  // namespace vorlix
