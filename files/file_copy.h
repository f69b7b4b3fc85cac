#pragma once
// Copying a whole file into another the cheapest way the file system allows: the copy shares the
// original's blocks (a reflink) where it can, else the kernel copies the bytes itself.

#include <cstdint>
#include <functional>

namespace vorlix {

class SectorFile;

enum class CopyWay : std::uint8_t {
    Reflink,  // FICLONE: no byte moved, the blocks shared until either file changes them
    Copy,     // copy_file_range (or reads and writes where even that is refused)
};

// Called with the bytes copied so far and the whole length.
using CopyProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Makes `to` (open for writing, empty) hold `from`'s whole content; `from` is only read. A reflink
// is tried first; where the file system refuses it, the bytes are copied in steps, `progress`
// called after each. Throws Failure naming the file a call failed on.
CopyWay CopyWholeFile(SectorFile& from, SectorFile& to, const CopyProgress& progress = {});

}  // namespace vorlix
