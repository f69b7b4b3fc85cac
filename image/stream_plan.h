#pragma once
// Ripping that keeps a stream's structure: every sector of a movie, XA or dummy entry is rewritten
// in place with its headers kept and only its content replaced. A game's movie player then still
// finds every frame it counts on (black) and its XA player every channel (silent), where a plain
// rip leaves a short movie followed by sectors it cannot read. Here: the plan, made by reading the
// entry before anything is written; stream_rewrite.h carries it out.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "entries/entry_range.h"

namespace vorlix {

class SectorFile;

enum class SectorKeeping : std::uint8_t {
    Leave,  // not touched: not a Mode 2 sector, part of a partial frame, or the entry is refused
    Video,  // STR video: a chunk of a black frame in the frame's own size and version
    Audio,  // XA ADPCM: silent sound groups
    Empty,  // any other sector: zero user data in its own form
};

// What keeping the structure does to one entry, found by reading the whole entry before anything
// is written.
struct StreamKeeping {
    SectorRange range;
    std::int64_t video_sectors = 0;  // in whole frames, rewritten
    std::int64_t frames = 0;
    std::int64_t audio_sectors = 0;
    std::int64_t empty_sectors = 0;
    // Frames that begin before the entry or end after it: their sectors inside it stay as they are.
    std::int64_t partial_frames = 0;
    std::int64_t partial_frame_sectors = 0;
    std::vector<SectorRange> partial_frame_runs;  // those sectors, in runs, by image position
    // Sectors without a Mode 2 sync and mode byte: their form is unknown, so they stay as they are.
    std::int64_t foreign_sectors = 0;
    std::vector<SectorRange> foreign_runs;
    // Every sector of the entry that holds or is marked as video.
    std::int64_t all_video_sectors = 0;
    // Why the entry's video cannot be kept ("sector 1234: bitstream version 4"); empty when it can.
    // An entry with such video is left alone whole: video is never zero-filled.
    std::string refused_because;
    std::vector<SectorKeeping> sectors;  // one per sector of the range
    // The black frame of each (width, height, version) the entry's frames use.
    std::map<std::uint64_t, std::vector<std::uint8_t>> black_frames;

    bool LeftAlone() const { return !refused_because.empty(); }
    // Sectors the rewrite writes.
    std::int64_t Rewritten() const;
    // What a user is told about the entry, each note without its entry's name
    // ("37 sectors of video in a form VORLIX cannot keep; left alone"); none when all is kept.
    std::vector<std::string> Notes() const;
};

// Entries up to this many sectors (38.5 MB) are read once and held for the rewrite; longer ones
// are read again batch by batch, so memory stays bounded for any entry.
inline constexpr std::int64_t kHeldSectors = 16384;

// Room for `sectors` sectors of an entry's bytes, reused from entry to entry on this thread: a Rip
// All of hundreds of entries would otherwise zero and fault in fresh pages for each. Never
// cleared, as every byte used is read first. Valid until the next call on this thread.
std::uint8_t* EntryBuffer(std::int64_t sectors);

// Refuses a range to be kept whose last sector has no CD address: its rewritten headers could not
// say where they are. Reads nothing.
void RequireKeepableAddresses(SectorRange range);

// Reads the entry's sectors and decides what becomes of each, writing nothing. With `held` (room
// for the whole range), the entry's bytes stay there for the rewrite. Bytes past the end of the
// image read as zero and so are left alone. Throws Failure for a read that fails or a sector
// without a CD address.
StreamKeeping PlanStreamKeeping(SectorFile& image, SectorRange range, std::uint8_t* held = nullptr);

}  // namespace vorlix
