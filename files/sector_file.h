#pragma once
// The one way the program reads and writes a file's content: open by path with an explicit mode,
// move whole raw sectors at explicit sector indexes, flush, close. Consecutive sectors may be
// moved in one call; the bytes and their order stay those of one sector at a time. A walk that
// only looks may instead look through a read-only mapping of an open file (mapped_file.h).
// Elsewhere files are only named (renamed, linked, listed), /dev/null stands in for standard error
// while a cue sheet is parsed, /proc tells whether a temporary file's owner still runs, and the
// blank generator, a build step, writes its own output.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "sector/sector_geometry.h"

namespace vorlix {

enum class OpenMode {
    ReadOnly,   // an existing file, only read
    ReadWrite,  // an existing file, changed in place; never created, never truncated
    CreateNew,  // a new file that must not exist yet (a temporary file)
};

// Every file the program opens must be a regular file: a FIFO would block, a device would be
// read or written without end. Opening never blocks; anything else is refused with
// "<path> is not a regular file.".

// Opens `path` with `flags` without blocking on a FIFO or device and makes sure it is a regular
// file; returns the descriptor. `action` names the call in a failure ("open", "create").
int OpenRegular(const std::filesystem::path& path, int flags, const char* action);

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

    // Writes `bytes` at `offset` (a small text file such as an entry list).
    void WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);

    // Makes everything written so far reach stable storage.
    void Flush();

    // Starts writing sectors [first, first + count) out to the disk without waiting for it, so
    // that the disk writes while the program reads and computes what follows and a Flush at the
    // end has little left to wait for. Only advice: a failure shows at the Flush.
    void StartWriting(std::int64_t first, std::int64_t count);

    // Makes sectors [first, first + count) read as zero bytes. The run's hole (HoleIn) is
    // deallocated (FALLOC_FL_PUNCH_HOLE) rather than written, and only the bytes around it are
    // written; where the file system refuses holes every byte is written. The file grows as
    // WriteSectors would make it. Returns the bytes that were punched.
    std::uint64_t ZeroSectors(std::int64_t first, std::int64_t count);

    // Closes the file, reporting a failure of the close itself. The destructor closes silently.
    void Close();

    // The open file's descriptor, for calls the layer does not wrap (fchmod, fchown).
    int Descriptor() const { return fd_; }

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

// A directory opened so that a rename in it can be made durable. Opened before the rename, so
// that a directory which cannot be opened refuses the rename rather than failing after it.
class DirectoryHandle {
public:
    explicit DirectoryHandle(const std::filesystem::path& directory);
    ~DirectoryHandle();
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    // Makes the renames made in the directory so far durable.
    void Flush();

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

// A hole costs the file system a fixed amount of work per call (milliseconds where it discards
// freed blocks at once), so a zero run is only punched where it frees at least this much.
inline constexpr std::uint64_t kMinHoleBytes = std::uint64_t{256} << 10;

struct ByteSpan {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // empty when end <= begin
};

// The part of the zero run [begin, end) that ZeroSectors deallocates in a file of `length` bytes
// made of `block`-byte blocks: the whole blocks inside the run and before the end of the file
// (a hole past the end would not grow it), when they come to kMinHoleBytes or more.
ByteSpan HoleIn(std::uint64_t begin, std::uint64_t end, std::uint64_t block, std::uint64_t length);

struct DiskUse {
    std::uint64_t length = 0;     // bytes the file holds
    std::uint64_t allocated = 0;  // disk space it takes (st_blocks * 512); less when sparse
    std::uint64_t block = 0;      // the file system's block: the unit a hole is made of
};

// How the file at `path` sits on the disk. Throws Failure when it cannot be examined.
DiskUse DiskUseOf(const std::filesystem::path& path);

}  // namespace vorlix
