#include "image/stream_keeping.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <system_error>
#include <thread>

#include "base/failure.h"
#include "files/sector_file.h"
#include "image/sector_copy.h"
#include "image/str_frames.h"
#include "sector/cd_sector.h"
#include "sector/little_endian.h"
#include "sector/mdec_frame.h"
#include "sector/str_sector.h"

namespace vorlix {
namespace {

constexpr std::uint16_t kMaxQuantScale = 63;

constexpr std::int64_t kBatchSectors = kCopyBatchSectors;

// Fewer sectors are rewritten by one thread: sealing them takes about as long as starting a
// second thread and, on a busy machine, waiting for it to be scheduled, once per entry.
constexpr std::int64_t kHelperSectors = 4096;

std::uint32_t Le(const std::uint8_t* at, int bytes) {
    return bytes == 2 ? ReadLe16(at) : ReadLe32(at);
}

bool IsForm2(SectorView s) {
    return (s[kSubHeaderOffset + 2] & kSubmodeForm2) != 0;
}

bool IsMode2(SectorView s) {
    return HasSync(s) && s[kModeOffset] == 2;
}

bool IsAudio(SectorView s) {
    const std::uint8_t submode = s[kSubHeaderOffset + 2];
    return (submode & kSubmodeAudio) && (submode & kSubmodeForm2) && !(submode & kSubmodeVideo);
}

// The STR magic, or a sub-header that says video: such a sector is never zero-filled.
bool IsVideo(SectorView s) {
    return Le(s.data() + kUserDataOffset, 4) == kStrMagic ||
           (s[kSubHeaderOffset + 2] & kSubmodeVideo) != 0;
}

// The checks decoders make before they take a sector as STR video, and the ones the rewrite needs.
// Returns why the sector cannot be kept, or nothing.
std::optional<std::string> CheckVideo(SectorView s, std::int64_t sector, VideoChunk& c) {
    const std::uint8_t* u = s.data() + kUserDataOffset;
    if (Le(u, 4) != kStrMagic) return AtSector(sector, "marked as video without an STR header");
    if (IsForm2(s)) return AtSector(sector, "video in a Form 2 sector");
    c.channel = s[kSubHeaderOffset + 1];
    c.chunk = Le(u + kStrChunk, 2);
    c.chunks = Le(u + kStrChunks, 2);
    c.number = Le(u + kStrFrameNumber, 4);
    c.size = Le(u + kStrFrameSize, 4);
    c.width = Le(u + kStrWidth, 2);
    c.height = Le(u + kStrHeight, 2);
    const std::uint8_t* b = u + kStrBitstreamHeader;
    const std::uint32_t words = Le(b, 2), magic = Le(b + 2, 2), scale = Le(b + 4, 2);
    c.version = Le(b + 6, 2);
    if (c.channel > kMaxChannel) return AtSector(sector, "channel " + std::to_string(c.channel));
    if (c.chunk >= c.chunks) return AtSector(sector, "chunk index beyond the chunk count");
    if (std::uint64_t{c.chunks} * kStrChunkSize < c.size)
        return AtSector(sector, "frame size beyond its chunks");
    if (c.number == 0) return AtSector(sector, "frame number 0");
    if (words == 0) return AtSector(sector, "word count 0");
    if (magic != kMdecMagic) return AtSector(sector, "no 3800 in the frame header");
    if (scale < 1 || scale > kMaxQuantScale)
        return AtSector(sector, "quantisation scale " + std::to_string(scale));
    if (c.version != 2 && c.version != 3)
        return AtSector(sector, "bitstream version " + std::to_string(c.version));
    if (Le(u + kStrReserved, 4) != 0) return AtSector(sector, "reserved header word not 0");
    if (c.width == 0 || c.height == 0) return AtSector(sector, "width or height 0");
    return std::nullopt;
}

std::string Count(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "100-104, 2000-2003", the first sector alone for a run of one; a note stays a line.
std::string RunsText(const std::vector<SectorRange>& runs) {
    constexpr std::size_t kShownRuns = 8;
    std::string text;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const SectorRange& r = runs[i];
        if (i > 0) text += ", ";
        if (i == kShownRuns) return text + "...";
        text += std::to_string(r.start);
        if (r.count > 1) text += "-" + std::to_string(r.start + r.count - 1);
    }
    return text;
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
        const bool no_edc = form2 && Le(s.data() + kForm2EdcOffset, 4) == 0;
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
    const std::vector<std::uint8_t>& black = plan.black_frames.at(
        ShapeKey(Le(u + kStrWidth, 2), Le(u + kStrHeight, 2), Le(u + kStrBitstreamHeader + 6, 2)));
    std::copy_n(black.begin(), 8, u + kStrBitstreamHeader);
    std::uint8_t* data = u + kStrHeaderSize;
    std::fill_n(data, kStrChunkSize, 0);
    const std::size_t from = Le(u + kStrChunk, 2) * kStrChunkSize;
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

}  // namespace

std::int64_t StreamKeeping::Rewritten() const {
    return LeftAlone() ? 0 : video_sectors + audio_sectors + empty_sectors;
}

std::vector<std::string> StreamKeeping::Notes() const {
    if (LeftAlone())
        return {Count(all_video_sectors, "sector", "sectors") +
                " of video in a form VORLIX cannot keep; left alone"};
    std::vector<std::string> notes;
    if (partial_frames > 0)
        notes.push_back(Count(partial_frames, "partial frame", "partial frames") + " (" +
                        Count(partial_frame_sectors, "sector", "sectors") + ": " +
                        RunsText(partial_frame_runs) + ") at the entry's edges left alone");
    if (foreign_sectors > 0)
        notes.push_back(Count(foreign_sectors, "sector", "sectors") + " (" +
                        RunsText(foreign_runs) + ") without a Mode 2 header left alone");
    return notes;
}

std::string StreamKeeping::Describe() const {
    if (LeftAlone()) return "nothing written: " + Notes().front() + " (" + refused_because + ")";
    std::vector<std::string> parts;
    if (video_sectors > 0)
        parts.push_back(Count(video_sectors, "video sector", "video sectors") + " in " +
                        Count(frames, "black frame", "black frames"));
    if (audio_sectors > 0)
        parts.push_back(Count(audio_sectors, "silent XA sector", "silent XA sectors"));
    if (empty_sectors > 0) parts.push_back(Count(empty_sectors, "empty sector", "empty sectors"));
    std::string text = Count(Rewritten(), "sector", "sectors") + " rewritten in place";
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? ": " : ", ") + parts[i];
    for (const std::string& note : Notes()) text += "; " + note;
    return text;
}

namespace {

// Entries up to this many sectors (38.5 MB) are read once and held for the rewrite; longer ones
// are read again batch by batch, so memory stays bounded for any entry.
constexpr std::int64_t kHeldSectors = 16384;

void Classify(StreamKeeping& plan, VideoStreams& frames, const std::uint8_t* bytes,
              std::int64_t first_index, std::int64_t n) {
    for (std::int64_t j = 0; j < n; ++j) {
        const SectorView s(bytes + j * static_cast<std::int64_t>(kRawSectorSize), kRawSectorSize);
        const std::int64_t index = first_index + j;
        SectorKeeping& kind = plan.sectors[static_cast<std::size_t>(index)];
        if (!IsMode2(s)) {
            ++plan.foreign_sectors;
            AddToRuns(plan.foreign_runs, plan.range.start + index);
        } else if (IsAudio(s)) {
            kind = SectorKeeping::Audio;
            ++plan.audio_sectors;
        } else if (IsVideo(s)) {
            ++plan.all_video_sectors;
            VideoChunk chunk{};
            if (auto why = CheckVideo(s, plan.range.start + index, chunk)) {
                if (plan.refused_because.empty()) plan.refused_because = *why;
            } else {
                frames.Add(index, chunk);
            }
        } else {
            kind = SectorKeeping::Empty;
            ++plan.empty_sectors;
        }
    }
}

// The bytes of the entry being kept, reused from entry to entry on this thread: a Rip All of
// hundreds of entries would otherwise zero and fault in fresh pages for each. Never cleared, as
// every byte used is read first.
std::uint8_t* EntryBuffer(std::int64_t sectors) {
    thread_local std::unique_ptr<std::uint8_t[]> bytes;
    thread_local std::int64_t held = 0;
    if (sectors > held) {
        bytes.reset();
        held = std::min(std::max(sectors, 2 * held), std::max(sectors, kHeldSectors));
        bytes = std::make_unique_for_overwrite<std::uint8_t[]>(
            static_cast<std::size_t>(SectorOffset(held)));
    }
    return bytes.get();
}

// Plans the entry, reading all of it into `held` when given, else batch by batch.
StreamKeeping Plan(SectorFile& image, SectorRange range, std::uint8_t* held) {
    StreamKeeping plan;
    plan.range = range;
    if (range.count <= 0) return plan;
    // Refuse an entry some of whose sectors have no CD address before anything is written.
    const std::int64_t last = range.start + range.count - 1;
    if (last > kLastCdAddressedSector)
        throw Failure("Sector " + std::to_string(last) + " has no CD address.");
    plan.sectors.assign(static_cast<std::size_t>(range.count), SectorKeeping::Leave);
    image.Prefetch(range.start, range.count);
    VideoStreams frames(range.start);
    std::uint8_t* const batch = held ? nullptr : EntryBuffer(std::min(range.count, kBatchSectors));
    for (std::int64_t k = 0; k < range.count; k += kBatchSectors) {
        const std::int64_t n = std::min(kBatchSectors, range.count - k);
        std::uint8_t* at = held ? held + SectorOffset(k) : batch;
        image.ReadSectors(range.start + k,
                          std::span(at, static_cast<std::size_t>(n) * kRawSectorSize));
        Classify(plan, frames, at, k, n);
    }
    frames.Finish(plan);
    if (plan.LeftAlone()) std::ranges::fill(plan.sectors, SectorKeeping::Leave);
    return plan;
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

StreamKeeping PlanStreamKeeping(SectorFile& image, SectorRange range) {
    return Plan(image, range, nullptr);
}

std::int64_t KeepStreamStructure(SectorFile& image, SectorRange range, StreamKeeping& plan) {
    const bool hold = range.count <= kHeldSectors;
    std::uint8_t* const held = hold ? EntryBuffer(range.count) : nullptr;
    plan = Plan(image, range, held);
    if (plan.LeftAlone() || plan.Rewritten() == 0) return 0;
    // Each worker keeps its own shared sectors.
    SharedSectors shared[2];
    std::int64_t written = 0;
    if (hold) {
        written = RewriteAndWrite(plan, image, held, 0, range.count, shared);
    } else {
        std::uint8_t* const buffer = EntryBuffer(kBatchSectors);
        for (std::int64_t k = 0; k < range.count; k += kBatchSectors) {
            const std::int64_t n = std::min(kBatchSectors, range.count - k);
            const auto kinds =
                std::span(plan.sectors)
                    .subspan(static_cast<std::size_t>(k), static_cast<std::size_t>(n));
            if (std::ranges::all_of(kinds,
                                    [](SectorKeeping s) { return s == SectorKeeping::Leave; }))
                continue;
            image.ReadSectors(range.start + k,
                              std::span(buffer, static_cast<std::size_t>(n) * kRawSectorSize));
            written += RewriteAndWrite(plan, image, buffer, k, n, shared);
        }
    }
    return written;
}

}  // namespace vorlix
