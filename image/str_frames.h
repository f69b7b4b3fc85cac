#pragma once
// The frames of an entry's STR video: chunks gathered by what their headers say, within one video
// stream or, where two movies interleave, one per channel.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entries/entry_range.h"

namespace vorlix {

struct StreamKeeping;

// Sub-header channels run 0..31; decoders refuse video on any other.
inline constexpr std::uint8_t kMaxChannel = 31;

// One video sector's header fields.
struct VideoChunk {
    std::uint8_t channel;
    std::uint32_t chunk, chunks, number, size, width, height, version;
};

// The key of a black frame: the frames of one shape share it.
inline std::uint64_t ShapeKey(std::uint32_t width, std::uint32_t height, std::uint32_t version) {
    return std::uint64_t{width} << 32 | height << 16 | version;
}

// "sector 1234: <what>", how a refusal names its sector.
inline std::string AtSector(std::int64_t sector, const std::string& what) {
    return "sector " + std::to_string(sector) + ": " + what;
}

// Adds `sector` to `runs` of consecutive sectors, taken in ascending order.
void AddToRuns(std::vector<SectorRange>& runs, std::int64_t sector);

// The entry's video is one stream unless that fails and each channel carrying video holds whole
// frames of its own: then the channels are interleaved movies. Chunks are added in sector order;
// Finish decides for every frame and writes the outcome into the plan: its frames and video
// sectors, the partial frames at the entry's edges with their sectors, the black frames needed,
// or why the video cannot be kept.
class VideoStreams {
public:
    explicit VideoStreams(std::int64_t entry_start);
    ~VideoStreams();
    VideoStreams(const VideoStreams&) = delete;
    VideoStreams& operator=(const VideoStreams&) = delete;

    void Add(std::int64_t index, const VideoChunk& c);
    void Finish(StreamKeeping& plan);

private:
    class Gatherer;
    std::unique_ptr<Gatherer> one_, each_;
    std::uint64_t channels_ = 0;
};

}  // namespace vorlix
