#pragma once
// The one way the program touches a file: open by path with an explicit mode, move whole raw
// sectors at explicit sector indexes, flush, close. Consecutive sectors may be moved in one call;
// the bytes and their order stay those of one sector at a time.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "image/sector_geometry.h"

namespace vorlix {

enum class OpenMode {
    ReadOnly,   // an existing file, only read
    ReadWrite,  // an existing file, changed in place; never created, never truncated
    CreateNew,  // a new file that must not exist yet (a temporary file)
};

class SectorFile {
public:
    SectorFile(const std::filesystem::path& path, OpenMode mode);
    ~SectorFile();
    SectorFile(const SectorFile&) = delete;
    SectorFile& operator=(const SectorFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::uint64_t Size() const;

    // Reads `out.size() / kRawSectorSize` consecutive sectors from `first`. Bytes past the end of
    // the file read as zero.
    void ReadSectors(std::int64_t first, std::span<std::uint8_t> out);

    // Asks the system to start reading `count` sectors from `first` in the background, so that a
    // walk over the whole file keeps the disk busy while it looks at what it has. Only advice: it
    // fails silently.
    void Prefetch(std::int64_t first, std::int64_t count);

    // Reads up to out.size() bytes at `offset`; returns how many the file held there.
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out);

    // Writes consecutive sectors from `first`, one 2352-byte buffer each, with as few calls as the
    // system allows. The buffers may repeat (a run of filler sectors is one buffer many times).
    void WriteSectors(std::int64_t first, std::span<const std::uint8_t* const> sectors);
    void WriteSectors(std::int64_t first, std::span<const std::uint8_t> bytes);

    // Makes everything written so far reach stable storage.
    void Flush();

    // Closes the file, reporting a failure of the close itself. The destructor closes silently.
    void Close();

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// The whole content of a small file (an entry list), opened read-only. A file larger than
// `max_bytes` is refused rather than read into memory.
std::string ReadWholeFile(const std::filesystem::path& path,
                          std::uint64_t max_bytes = std::uint64_t{64} << 20);

// The file's length, or -1 when it does not exist. Throws Failure when it cannot be examined.
std::int64_t FileLength(const std::filesystem::path& path);

// Makes the rename of a file in `directory` durable.
void FlushDirectory(const std::filesystem::path& directory);

}  // namespace vorlix
