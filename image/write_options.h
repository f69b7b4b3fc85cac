#pragma once
// The options of a run that decide which bytes the writing operations put into the image. Each
// lives for one run, as the window's Options menu and the command line's flags set it.

#include <cstdint>

namespace vorlix {

struct WriteOptions {
    // XA filler sectors carry the XA sector prefix; off: they are zero sectors.
    bool xa_headers = true;
    // Every sector written is a valid Mode 2 sector at its own position (its own address, and its
    // EDC/ECC where the sector is built here); off: the bytes are exactly those described.
    bool valid_sectors = false;
    // Rip rewrites movie, XA and dummy entries in place, keeping each sector's structure and
    // replacing only its content, instead of copying the blank files.
    bool keep_structure = false;
    // Where the data track ends in the image's file when other tracks follow it there (a cue
    // with one FILE for every track): no write may reach those tracks. -1: the file is the data
    // track alone.
    std::int64_t data_track_sectors = -1;
};

struct SectorRange;

// Throws Failure, before anything is written, when `range` reaches past the data track into the
// other tracks of its file (see WriteOptions::data_track_sectors).
void RequireWithinDataTrack(const SectorRange& range, const WriteOptions& options);

}  // namespace vorlix
