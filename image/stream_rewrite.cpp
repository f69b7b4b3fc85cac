#include "image/stream_rewrite.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <system_error>
#include <thread>

#include "files/sector_file.h"
#include "image/sector_copy.h"
#include "image/str_frames.h"
#include "sector/cd_sector.h"
#include "sector/little_endian.h"
#include "sector/str_sector.h"

namespace vorlix {
namespace {

constexpr std::int64_t kBatchSectors = kCopyBatchSectors;

// Fewer sectors are rewritten by one thread: sealing them takes about as long as starting a
// second thread and, on a busy machine, waiting for it to be scheduled, once per entry.
constexpr std::int64_t kHelperSectors = 4096;

bool IsForm2(SectorView s) {
    return (s[kSubHeaderOffset + 2] & kSubmodeForm2) != 0;
}

void WriteAddress(MutableSectorView s, std::int64_t sector) {
    std::ranges::copy(BcdAddress(sector), s.begin() + kAddressOffset);
}

// Sectors of one kind and one sub-header differ only in their address, which lies outside EDC and
// ECC in Mode 2: each such sector is computed once and copied.
class SharedSectors {
public:
    void Write(MutableSectorView s, SectorKeeping kind) {
        const bool form2 = IsForm2(s);
        const bool no_edc = form2 && ReadLe32(s.data() + kForm2EdcOffset) == 0;
        std::uint64_t key = 0;
        std::memcpy(&key, s.data() + kSubHeaderOffset, 8);
        for (Entry& e : entries_) {
            if (e.key == key && e.kind == kind && e.no_edc == no_edc) {
                std::copy(e.sector.begin() + kSubHeaderOffset, e.sector.end(),
                          s.begin() + kSubHeaderOffset);
                return;
            }
        }
        Build(s, kind, form2, no_edc);
        Entry& e = entries_.emplace_back(Entry{key, kind, no_edc, {}});
        std::ranges::copy(s, e.sector.begin());
    }

private:
    static void Build(MutableSectorView s, SectorKeeping kind, bool form2, bool no_edc) {
        const std::size_t data_end = form2 ? kForm2EdcOffset : kForm1EdcOffset;
        std::fill(s.begin() + kUserDataOffset, s.begin() + static_cast<std::ptrdiff_t>(data_end),
                  0);
        if (kind == SectorKeeping::Audio)
            WriteSilentSoundGroups(s, (s[kSubHeaderOffset + 3] & kCoding8Bit) != 0);
        if (!form2)
            SealForm1(s);
        else if (!no_edc)
            SealForm2(s);
    }

    struct Entry {
        std::uint64_t key;
        SectorKeeping kind;
        bool no_edc;
        RawSector sector;
    };
    std::vector<Entry> entries_;
};

void WriteVideo(MutableSectorView s, const StreamKeeping& plan) {
    std::uint8_t* u = s.data() + kUserDataOffset;
    const std::vector<std::uint8_t>& black = plan.black_frames.at(ShapeKey(
        ReadLe16(u + kStrWidth), ReadLe16(u + kStrHeight), ReadLe16(u + kStrBitstreamHeader + 6)));
    std::copy_n(black.begin(), 8, u + kStrBitstreamHeader);
    std::uint8_t* data = u + kStrHeaderSize;
    std::fill_n(data, kStrChunkSize, 0);
    const std::size_t from = ReadLe16(u + kStrChunk) * kStrChunkSize;
    if (from < black.size())
        std::copy_n(black.begin() + static_cast<std::ptrdiff_t>(from),
                    std::min(kStrChunkSize, black.size() - from), data);
    SealForm1(s);
}

// Rewrites the marked sectors of one batch; `shared` is this worker's own.
void RewriteRange(const StreamKeeping& plan, std::uint8_t* batch, std::int64_t first,
                  std::int64_t from, std::int64_t to, SharedSectors& shared) {
    for (std::int64_t k = from; k < to; ++k) {
        const SectorKeeping kind =
            plan.sectors[static_cast<std::size_t>(first - plan.range.start + k)];
        if (kind == SectorKeeping::Leave) continue;
        const MutableSectorView s(batch + k * static_cast<std::int64_t>(kRawSectorSize),
                                  kRawSectorSize);
        if (kind == SectorKeeping::Video)
            WriteVideo(s, plan);
        else
            shared.Write(s, kind);
        WriteAddress(s, first + k);
    }
}

// Rewrites the marked sectors among the entry's sectors [k, k + n), which lie at `bytes`, with
// two workers when there are two cores and enough of them, and writes them in runs: what is left
// alone is not written back. Returns the sectors written.
std::int64_t RewriteAndWrite(const StreamKeeping& plan, SectorFile& image, std::uint8_t* bytes,
                             std::int64_t k, std::int64_t n, SharedSectors (&shared)[2]) {
    const std::int64_t first = plan.range.start + k;
    std::thread helper;
    if (n >= kHelperSectors && std::thread::hardware_concurrency() > 1) {
        try {
            helper = std::thread(RewriteRange, std::cref(plan), bytes, first, n / 2, n,
                                 std::ref(shared[1]));
        } catch (const std::system_error&) {
            // No second thread to be had: this one does it all.
        }
    }
    RewriteRange(plan, bytes, first, 0, helper.joinable() ? n / 2 : n, shared[0]);
    if (helper.joinable()) helper.join();
    const auto kinds =
        std::span(plan.sectors).subspan(static_cast<std::size_t>(k), static_cast<std::size_t>(n));
    std::vector<const std::uint8_t*> run;
    std::int64_t written = 0;
    for (std::int64_t j = 0; j < n;) {
        if (kinds[static_cast<std::size_t>(j)] == SectorKeeping::Leave) {
            ++j;
            continue;
        }
        run.clear();
        const std::int64_t at = j;
        while (j < n && kinds[static_cast<std::size_t>(j)] != SectorKeeping::Leave)
            run.push_back(bytes + SectorOffset(j++));
        image.WriteSectors(first + at, run);
        written += static_cast<std::int64_t>(run.size());
    }
    return written;
}

}  // namespace

std::int64_t KeepStreamStructure(SectorFile& image, const StreamKeeping& plan, std::uint8_t* held) {
    if (plan.LeftAlone() || plan.Rewritten() == 0) return 0;
    const SectorRange range = plan.range;
    // Each worker keeps its own shared sectors.
    SharedSectors shared[2];
    if (held) return RewriteAndWrite(plan, image, held, 0, range.count, shared);
    std::int64_t written = 0;
    std::uint8_t* const buffer = EntryBuffer(kBatchSectors);
    for (std::int64_t k = 0; k < range.count; k += kBatchSectors) {
        const std::int64_t n = std::min(kBatchSectors, range.count - k);
        const auto kinds = std::span(plan.sectors)
                               .subspan(static_cast<std::size_t>(k), static_cast<std::size_t>(n));
        if (std::ranges::all_of(kinds, [](SectorKeeping s) { return s == SectorKeeping::Leave; }))
            continue;
        image.ReadSectors(range.start + k,
                          std::span(buffer, static_cast<std::size_t>(n) * kRawSectorSize));
        written += RewriteAndWrite(plan, image, buffer, k, n, shared);
    }
    return written;
}

std::int64_t PlanAndKeepStreamStructure(SectorFile& image, SectorRange range, StreamKeeping& plan) {
    std::uint8_t* const held = range.count <= kHeldSectors ? EntryBuffer(range.count) : nullptr;
    plan = PlanStreamKeeping(image, range, held);
    return KeepStreamStructure(image, plan, held);
}

}  // namespace vorlix
