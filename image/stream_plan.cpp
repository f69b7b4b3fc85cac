#include "image/stream_plan.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <span>

#include "base/failure.h"
#include "files/sector_file.h"
#include "image/sector_copy.h"
#include "image/str_frames.h"
#include "sector/cd_sector.h"
#include "sector/little_endian.h"
#include "sector/mdec_frame.h"
#include "sector/sector_kind.h"
#include "sector/str_sector.h"

namespace vorlix {
namespace {

constexpr std::uint16_t kMaxQuantScale = 63;

constexpr std::int64_t kBatchSectors = kCopyBatchSectors;

enum class Reading { Foreign, Audio, Video, Other };

// Keeping trusts the first sub-header copy whatever the second says, and takes the STR magic or
// the video bit alone as video: a sector that may be video is never zero-filled.
Reading ReadingOf(const SectorFacts& f) {
    return !f.mode2                         ? Reading::Foreign
           : f.form2 && f.audio && !f.video ? Reading::Audio
           : f.str_magic || f.video         ? Reading::Video
                                            : Reading::Other;
}

// The checks decoders make before they take a sector as STR video, and the ones the rewrite needs.
// Returns why the sector cannot be kept, or nothing.
std::optional<std::string> CheckVideo(SectorView s, const SectorFacts& f, std::int64_t sector,
                                      VideoChunk& c) {
    const std::uint8_t* u = s.data() + kUserDataOffset;
    if (!f.str_magic) return AtSector(sector, "marked as video without an STR header");
    if (f.form2) return AtSector(sector, "video in a Form 2 sector");
    c.channel = f.channel;
    c.chunk = ReadLe16(u + kStrChunk);
    c.chunks = ReadLe16(u + kStrChunks);
    c.number = ReadLe32(u + kStrFrameNumber);
    c.size = ReadLe32(u + kStrFrameSize);
    c.width = ReadLe16(u + kStrWidth);
    c.height = ReadLe16(u + kStrHeight);
    const std::uint8_t* b = u + kStrBitstreamHeader;
    const std::uint32_t words = ReadLe16(b), magic = ReadLe16(b + 2), scale = ReadLe16(b + 4);
    c.version = ReadLe16(b + 6);
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
    if (ReadLe32(u + kStrReserved) != 0) return AtSector(sector, "reserved header word not 0");
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

namespace {

void Classify(StreamKeeping& plan, VideoStreams& frames, const std::uint8_t* bytes,
              std::int64_t first_index, std::int64_t n) {
    for (std::int64_t j = 0; j < n; ++j) {
        const SectorView s(bytes + j * static_cast<std::int64_t>(kRawSectorSize), kRawSectorSize);
        const std::int64_t index = first_index + j;
        SectorKeeping& kind = plan.sectors[static_cast<std::size_t>(index)];
        const SectorFacts facts = FactsOf(s);
        const Reading reading = ReadingOf(facts);
        if (reading == Reading::Foreign) {
            ++plan.foreign_sectors;
            AddToRuns(plan.foreign_runs, plan.range.start + index);
        } else if (reading == Reading::Audio) {
            kind = SectorKeeping::Audio;
            ++plan.audio_sectors;
        } else if (reading == Reading::Video) {
            ++plan.all_video_sectors;
            VideoChunk chunk{};
            if (auto why = CheckVideo(s, facts, plan.range.start + index, chunk)) {
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

}  // namespace

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

void RequireKeepableAddresses(SectorRange range) {
    const std::int64_t last = range.start + range.count - 1;
    if (range.count > 0 && last > kLastCdAddressedSector)
        throw Failure("Sector " + std::to_string(last) + " has no CD address.");
}

StreamKeeping PlanStreamKeeping(SectorFile& image, SectorRange range, std::uint8_t* held) {
    StreamKeeping plan;
    plan.range = range;
    if (range.count <= 0) return plan;
    // Refuse an entry some of whose sectors have no CD address before anything is written.
    RequireKeepableAddresses(range);
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

}  // namespace vorlix
