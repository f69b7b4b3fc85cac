#pragma once
// The file system's files as the scan judges them: what each one's sectors hold, gathered in the
// scan's one pass, and which sectors of it an entry may cover. A recorded size is not trusted:
// a file ends where the next file or a structure of the file system begins, and a file that
// begins with a stream ends with it.

#include <cstdint>
#include <string>
#include <vector>

#include "disc/file_kinds.h"
#include "disc/file_system.h"
#include "disc/scan.h"
#include "disc/sector_walk.h"

namespace vorlix {

struct ScannedFile {
    const DiscFile* file = nullptr;
    std::int64_t recorded_end = 0;  // the last sector its recorded size reaches
    std::int64_t head_end = 0;      // the last sector before the next file or structure begins
    bool dummy_name = false;
    FileEvidence head;  // over first_sector .. head_end
    SectorWalk lead;    // fed until the stream the file begins with (if any) ends
    bool leading = true;
    std::vector<std::uint8_t> first_data;  // a dummy's first sector's user data, for filler
    std::int64_t end = -1;                 // decided after the pass: the last sector it owns
};

// The files worth a look, in sector order, with their heads: empty ones are named in a warning,
// and of several records that share one extent only the first is kept.
std::vector<ScannedFile> FilesToScan(const FileSystem& fs, std::vector<std::string>& warnings);

// Adds what sector `s` holds to every file whose recorded extent it lies in.
void AddSector(ScannedFile& f, std::int64_t s, SectorView sector, const SectorLook& look);

// Entries from whole files, in sector order and never overlapping: each file clipped to what it
// owns, and left out with a warning when it covers a structure of the file system or starts
// inside another file's movie. Sets every file's `end`.
std::vector<ScannedEntry> FileEntries(std::vector<ScannedFile>& files, const FileSystem& fs,
                                      std::vector<std::string>& warnings);

}  // namespace vorlix
