#pragma once
// The ISO 9660 file system of a raw Mode 2 image, as far as the scan and verify need it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorlix {

struct DiscFile {
    std::string path;  // "/MOVIE/INTRO.STR;1" without the version: "/MOVIE/INTRO.STR"
    std::int64_t first_sector = 0;
    std::int64_t sectors = 0;         // 0 for an empty file
    std::uint64_t bytes = 0;          // the recorded size (a Form 2 file counts 2048 a sector)
    std::uint16_t xa_attributes = 0;  // from the XA system-use field, 0 when there is none
    bool form2() const { return (xa_attributes & 0x1000) != 0; }
    bool interleaved() const { return (xa_attributes & 0x2000) != 0; }
};

struct FileSystem {
    bool found = false;                 // false: no ISO 9660 volume in the image
    std::vector<DiscFile> files;        // regular files, in sector order
    std::vector<std::string> warnings;  // what was skipped and why, one sentence each
    // Why the files are not all there: the walk stopped at one of its caps. Empty when the whole
    // tree was read (warnings aside).
    std::string cut_short;
};

// Reads every file of the image's file system (`bin` is a raw .bin, not a cue). Directory cycles,
// extents past the image's end and absurd sizes are skipped with a warning; a tree beyond the
// walk's caps is read only up to them (see WalkDirectories). Throws Failure only
// when the image cannot be read at all.
FileSystem ReadFileSystem(const std::filesystem::path& bin);

}  // namespace vorlix
