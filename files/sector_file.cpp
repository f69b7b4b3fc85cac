#include "files/sector_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

#include "base/failure.h"
#include "files/file_faults_internal.h"

namespace vorlix {

namespace {

// At most this many sectors go into one vectored write (the system's own iovec limit is 1024).
constexpr std::size_t kSectorsPerCall = 512;

// O_NONBLOCK: opening a FIFO or a device must not wait for a peer; regular files ignore it.
int OpenFlags(OpenMode mode) {
    constexpr int kAlways = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
        case OpenMode::ReadOnly:
            return O_RDONLY | kAlways;
        case OpenMode::ReadWrite:
            return O_RDWR | kAlways;
        case OpenMode::CreateNew:
            return O_RDWR | O_CREAT | O_EXCL | kAlways;
    }
    return O_RDONLY | kAlways;
}

const char* OpenAction(OpenMode mode) {
    return mode == OpenMode::CreateNew ? "create" : "open";
}

}  // namespace

int OpenRegular(const std::filesystem::path& path, int flags, const char* action) {
    if (int err = InjectedFault(FileCall::Open, path)) throw FileFailure(action, path, err);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw FileFailure(action, path, errno);
    struct stat st {};
    int err = InjectedFault(FileCall::Examine, path);
    if (err == 0 && ::fstat(fd, &st) != 0) err = errno;
    if (err == 0 && S_ISDIR(st.st_mode)) err = EISDIR;
    if (err != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        // A file this call created is not left behind.
        if ((flags & O_CREAT) != 0) ::unlink(path.c_str());
        if (err != 0) throw FileFailure(action, path, err);
        throw NotRegularFailure(path);
    }
    return fd;
}

SectorFile::SectorFile(const std::filesystem::path& path, OpenMode mode) : path_(path) {
    fd_ = OpenRegular(path_, OpenFlags(mode), OpenAction(mode));
}

SectorFile::~SectorFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::uint64_t SectorFile::Size() const {
    struct stat st {};
    if (int err = InjectedFault(FileCall::Examine, path_)) throw FileFailure("examine", path_, err);
    if (::fstat(fd_, &st) != 0) throw FileFailure("examine", path_, errno);
    return static_cast<std::uint64_t>(st.st_size);
}

std::size_t SectorFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        if (int err = InjectedFault(FileCall::Read, path_)) throw FileFailure("read", path_, err);
        const ssize_t n =
            ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileFailure("read", path_, errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void SectorFile::Prefetch(std::int64_t first, std::int64_t count) {
    ::posix_fadvise(fd_, static_cast<off_t>(SectorOffset(first)),
                    static_cast<off_t>(SectorOffset(count)), POSIX_FADV_WILLNEED);
}

void SectorFile::ReadSectors(std::int64_t first, std::span<std::uint8_t> out) {
    const std::size_t got = ReadAt(static_cast<std::uint64_t>(SectorOffset(first)), out);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), std::uint8_t{0});
}

void SectorFile::WriteSectors(std::int64_t first, std::span<const std::uint8_t* const> sectors) {
    std::vector<iovec> iov;
    iov.reserve(std::min(sectors.size(), kSectorsPerCall));
    std::size_t next = 0;
    while (next < sectors.size()) {
        const std::size_t batch = std::min(sectors.size() - next, kSectorsPerCall);
        iov.clear();
        for (std::size_t i = 0; i < batch; ++i)
            iov.push_back({const_cast<std::uint8_t*>(sectors[next + i]), kRawSectorSize});
        off_t offset = static_cast<off_t>(SectorOffset(first + static_cast<std::int64_t>(next)));
        std::size_t vi = 0;
        while (vi < iov.size()) {
            if (int err = InjectedFault(FileCall::Write, path_))
                throw FileFailure("write", path_, err);
            const ssize_t n =
                ::pwritev(fd_, iov.data() + vi, static_cast<int>(iov.size() - vi), offset);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw FileFailure("write", path_, errno);
            }
            if (n == 0) throw FileFailure("write", path_, ENOSPC);
            offset += n;
            // Step over what was written; a short write leaves a partly written buffer to finish.
            std::size_t left = static_cast<std::size_t>(n);
            while (left > 0 && vi < iov.size()) {
                if (left >= iov[vi].iov_len) {
                    left -= iov[vi].iov_len;
                    ++vi;
                } else {
                    iov[vi].iov_base = static_cast<std::uint8_t*>(iov[vi].iov_base) + left;
                    iov[vi].iov_len -= left;
                    left = 0;
                }
            }
        }
        next += batch;
    }
}

void SectorFile::WriteSectors(std::int64_t first, std::span<const std::uint8_t> bytes) {
    std::vector<const std::uint8_t*> sectors;
    sectors.reserve(bytes.size() / kRawSectorSize);
    for (std::size_t at = 0; at + kRawSectorSize <= bytes.size(); at += kRawSectorSize)
        sectors.push_back(bytes.data() + at);
    WriteSectors(first, sectors);
}

void SectorFile::WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (int err = InjectedFault(FileCall::Write, path_)) throw FileFailure("write", path_, err);
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileFailure("write", path_, errno);
        }
        if (n == 0) throw FileFailure("write", path_, ENOSPC);
        done += static_cast<std::size_t>(n);
    }
}

void SectorFile::Flush() {
    if (int err = InjectedFault(FileCall::Flush, path_)) throw FileFailure("flush", path_, err);
    if (::fsync(fd_) != 0) throw FileFailure("flush", path_, errno);
}

void SectorFile::StartWriting(std::int64_t first, std::int64_t count) {
    ::sync_file_range(fd_, static_cast<off_t>(SectorOffset(first)),
                      static_cast<off_t>(SectorOffset(count)), SYNC_FILE_RANGE_WRITE);
}

namespace {

// Writes `size` zero bytes at `offset`.
void WriteZeroBytes(int fd, const std::filesystem::path& path, std::uint64_t offset,
                    std::uint64_t size) {
    static const std::vector<std::uint8_t> zeros(std::size_t{1} << 20, 0);
    while (size > 0) {
        if (int err = InjectedFault(FileCall::Write, path)) throw FileFailure("write", path, err);
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, zeros.size()));
        const ssize_t done = ::pwrite(fd, zeros.data(), n, static_cast<off_t>(offset));
        if (done < 0) {
            if (errno == EINTR) continue;
            throw FileFailure("write", path, errno);
        }
        if (done == 0) throw FileFailure("write", path, ENOSPC);
        offset += static_cast<std::uint64_t>(done);
        size -= static_cast<std::uint64_t>(done);
    }
}

// The errors of a file system (or a kernel) that has no holes to give: zeros are written instead.
bool HolesRefused(int err) {
    return err == EOPNOTSUPP || err == ENOSYS || err == EINVAL;
}

}  // namespace

ByteSpan HoleIn(std::uint64_t begin, std::uint64_t end, std::uint64_t block, std::uint64_t length) {
    const std::uint64_t from = (begin + block - 1) / block * block;
    const std::uint64_t to = std::min(end, length) / block * block;
    if (to <= from || to - from < kMinHoleBytes) return {};
    return {from, to};
}

std::uint64_t SectorFile::ZeroSectors(std::int64_t first, std::int64_t count) {
    if (count <= 0) return 0;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw FileFailure("examine", path_, errno);
    const auto begin = static_cast<std::uint64_t>(SectorOffset(first));
    const auto end = static_cast<std::uint64_t>(SectorOffset(first + count));
    const auto block = static_cast<std::uint64_t>(st.st_blksize > 0 ? st.st_blksize : 4096);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const ByteSpan hole = HoleIn(begin, end, block, size);
    const std::uint64_t hole_begin = hole.begin, hole_end = hole.end;
    if (hole_begin >= hole_end) {
        WriteZeroBytes(fd_, path_, begin, end - begin);
        return 0;
    }
    // In ascending order, as every write is: the head, the hole, the tail.
    WriteZeroBytes(fd_, path_, begin, hole_begin - begin);
    int err = InjectedFault(FileCall::Punch, path_);
    if (err == 0) {
        while (::fallocate(fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                           static_cast<off_t>(hole_begin),
                           static_cast<off_t>(hole_end - hole_begin)) != 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
    }
    std::uint64_t punched = hole_end - hole_begin;
    if (err != 0) {
        if (!HolesRefused(err)) throw FileFailure("write", path_, err);
        WriteZeroBytes(fd_, path_, hole_begin, hole_end - hole_begin);
        punched = 0;
    }
    WriteZeroBytes(fd_, path_, hole_end, end - hole_end);
    return punched;
}

void SectorFile::Close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) throw FileFailure("close", path_, errno);
}

std::string ReadWholeFile(const std::filesystem::path& path, std::uint64_t max_bytes) {
    SectorFile file(path, OpenMode::ReadOnly);
    const std::uint64_t size = file.Size();
    if (size > max_bytes) throw FileFailure("read", path, EFBIG);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const std::size_t got =
        file.ReadAt(0, std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    bytes.resize(got);
    file.Close();
    return bytes;
}

std::int64_t FileLength(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return -1;
        throw FileFailure("examine", path, errno);
    }
    return static_cast<std::int64_t>(st.st_size);
}

DirectoryHandle::DirectoryHandle(const std::filesystem::path& directory)
    : path_(directory.empty() ? std::filesystem::path(".") : directory) {
    if (int err = InjectedFault(FileCall::Open, path_)) throw FileFailure("open", path_, err);
    fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) throw FileFailure("open", path_, errno);
}

DirectoryHandle::~DirectoryHandle() {
    if (fd_ >= 0) ::close(fd_);
}

void DirectoryHandle::Flush() {
    if (int err = InjectedFault(FileCall::Flush, path_)) throw FileFailure("flush", path_, err);
    // Some file systems cannot flush a directory (EINVAL); their renames need nothing more.
    if (::fsync(fd_) != 0 && errno != EINVAL) throw FileFailure("flush", path_, errno);
}

DiskUse DiskUseOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw FileFailure("examine", path, errno);
    return {static_cast<std::uint64_t>(st.st_size), static_cast<std::uint64_t>(st.st_blocks) * 512,
            static_cast<std::uint64_t>(st.st_blksize > 0 ? st.st_blksize : 4096)};
}

}  // namespace vorlix
