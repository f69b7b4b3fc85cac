#include "image/str_frames.h"

#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <optional>

#include "image/stream_plan.h"
#include "sector/mdec_frame.h"

namespace vorlix {
void AddToRuns(std::vector<SectorRange>& runs, std::int64_t sector) {
    if (!runs.empty() && runs.back().start + runs.back().count == sector)
        ++runs.back().count;
    else
        runs.push_back({sector, 1});
}

namespace {

// What gathering an entry's chunks into frames one way gives.
struct Grouping {
    std::int64_t frames = 0, video_sectors = 0, partial_frames = 0;
    std::vector<std::int64_t> kept, partial;  // sector indices within the entry
    std::string refused_because;
    std::map<std::uint64_t, std::vector<std::uint8_t>> black_frames;
};

}  // namespace

// Gathers the chunks of each frame by their STR headers within one video stream, and decides for
// each frame as it closes. Mastering tools give a movie's last sector the end-of-file sub-header
// on another channel, so the channel tells streams apart only when asked to (`by_channel`): where
// two movies interleave, each on a channel of its own.
class VideoStreams::Gatherer {
public:
    Gatherer(std::int64_t entry_start, bool by_channel)
        : start_(entry_start), by_channel_(by_channel) {}

    void Add(std::int64_t index, const VideoChunk& c) {
        Stream& st = streams_[by_channel_ ? c.channel : 0];
        if (st.open && st.open->header.number != c.number) Close(st, false);
        if (!st.open) {
            st.open = Frame{c, std::vector<std::int64_t>(c.chunks, -1), !st.had_frame};
            st.had_frame = true;
        }
        Frame& f = *st.open;
        const VideoChunk& first = f.header;
        if (c.chunks != first.chunks || c.size != first.size || c.width != first.width ||
            c.height != first.height || c.version != first.version)
            return Refuse(index, "a frame whose sectors disagree on its shape");
        if (f.sectors[c.chunk] >= 0) return Refuse(index, "a chunk that repeats in its frame");
        f.sectors[c.chunk] = index;
    }

    Grouping Finish() {
        for (Stream& st : streams_)
            if (st.open) Close(st, true);
        return std::move(out_);
    }

private:
    struct Frame {
        VideoChunk header;
        std::vector<std::int64_t> sectors;  // by chunk index, -1 while missing
        bool first_in_stream;
    };
    struct Stream {
        std::optional<Frame> open;
        bool had_frame = false;
    };

    void Refuse(std::int64_t index, const std::string& why) {
        if (out_.refused_because.empty()) out_.refused_because = AtSector(start_ + index, why);
    }

    void Close(Stream& st, bool at_entry_end) {
        Frame f = std::move(*st.open);
        st.open.reset();
        std::erase(f.sectors, -1);
        if (f.sectors.size() == f.header.chunks) {
            Keep(f);
        } else if (f.first_in_stream || at_entry_end) {
            ++out_.partial_frames;
            out_.partial.insert(out_.partial.end(), f.sectors.begin(), f.sectors.end());
        } else {
            Refuse(f.sectors.front(), "frame " + std::to_string(f.header.number) + " lacks chunks");
        }
    }

    void Keep(const Frame& f) {
        const VideoChunk& h = f.header;
        const std::uint64_t key = ShapeKey(h.width, h.height, h.version);
        auto it = out_.black_frames.find(key);
        if (it == out_.black_frames.end()) {
            auto black = BlackMdecFrame(static_cast<std::uint16_t>(h.width),
                                        static_cast<std::uint16_t>(h.height),
                                        static_cast<std::uint16_t>(h.version));
            if (!black) return Refuse(f.sectors[0], "no black frame fits its size");
            it = out_.black_frames.emplace(key, std::move(*black)).first;
        }
        if (it->second.size() > h.size)
            return Refuse(f.sectors[0], "frame " + std::to_string(h.number) +
                                            " too small for a black frame of its size");
        ++out_.frames;
        out_.video_sectors += static_cast<std::int64_t>(f.sectors.size());
        out_.kept.insert(out_.kept.end(), f.sectors.begin(), f.sectors.end());
    }

    std::int64_t start_;
    bool by_channel_;
    Grouping out_;
    std::array<Stream, kMaxChannel + 1> streams_;
};

VideoStreams::VideoStreams(std::int64_t entry_start)
    : one_(std::make_unique<Gatherer>(entry_start, false)),
      each_(std::make_unique<Gatherer>(entry_start, true)) {}

VideoStreams::~VideoStreams() = default;

void VideoStreams::Add(std::int64_t index, const VideoChunk& c) {
    channels_ |= std::uint64_t{1} << c.channel;
    one_->Add(index, c);
    each_->Add(index, c);
}

void VideoStreams::Finish(StreamKeeping& plan) {
    Grouping one = one_->Finish(), each = each_->Finish();
    const bool interleaved = std::popcount(channels_) > 1;
    Grouping& g = !one.refused_because.empty() && interleaved ? each : one;
    plan.frames = g.frames;
    plan.video_sectors = g.video_sectors;
    plan.partial_frames = g.partial_frames;
    plan.partial_frame_sectors = static_cast<std::int64_t>(g.partial.size());
    std::ranges::sort(g.partial);
    for (std::int64_t i : g.partial) AddToRuns(plan.partial_frame_runs, plan.range.start + i);
    for (std::int64_t i : g.kept) plan.sectors[static_cast<std::size_t>(i)] = SectorKeeping::Video;
    if (plan.refused_because.empty()) plan.refused_because = std::move(g.refused_because);
    plan.black_frames = std::move(g.black_frames);
}

}  // namespace vorlix
