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

// A part of the image that the file system itself lives in: destroying it loses the files.
struct DiscStructure {
    std::string name;  // "the system area", "the directory /MOVIE" and the like
    std::int64_t first_sector = 0;
    std::int64_t sectors = 0;
    std::int64_t last_sector() const { return first_sector + sectors - 1; }
};

struct FileSystem {
    bool found = false;           // false: no ISO 9660 volume in the image
    std::vector<DiscFile> files;  // regular files, in sector order
    // The system area, each volume descriptor up to its terminator, the path tables and every
    // directory read; empty when there is no volume.
    std::vector<DiscStructure> structures;
    std::vector<std::string> warnings;  // what was skipped and why, one sentence each
    // Why the files are not all there: the walk stopped at one of its caps. Empty when the whole
    // tree was read (warnings aside).
    std::string cut_short;
};

// Reads every file of the image's file system (`bin` is a raw .bin, not a cue). Directory cycles,
// extents past the image's end and absurd sizes are skipped with a warning; a tree beyond the
// walk's caps is read only up to them (see WalkDirectories). The image ends after `sectors` when
// that is not -1 (a data track that other tracks follow in its file). Throws Failure only when the
// image cannot be read at all.
FileSystem ReadFileSystem(const std::filesystem::path& bin, std::int64_t sectors = -1);

// The structures of `fs` that sectors `first`..`last` touch, in sector order.
std::vector<const DiscStructure*> StructuresIn(const FileSystem& fs, std::int64_t first,
                                               std::int64_t last);

// "the system area (sectors 0-15), the directory / (sector 22)": at most four, then "and N more".
std::string NamesOf(const std::vector<const DiscStructure*>& structures);

}  // namespace vorlix
