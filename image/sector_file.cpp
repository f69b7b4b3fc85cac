#include "image/sector_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "image/failure.h"
#include "image/file_faults_internal.h"

namespace vorlix {

namespace {

// At most this many sectors go into one vectored write (the system's own iovec limit is 1024).
constexpr std::size_t kSectorsPerCall = 512;

int OpenFlags(OpenMode mode) {
    switch (mode) {
        case OpenMode::ReadOnly:
            return O_RDONLY;
        case OpenMode::ReadWrite:
            return O_RDWR;
        case OpenMode::CreateNew:
            return O_RDWR | O_CREAT | O_EXCL;
    }
    return O_RDONLY;
}

const char* OpenAction(OpenMode mode) {
    return mode == OpenMode::CreateNew ? "create" : "open";
}

}  // namespace

SectorFile::SectorFile(const std::filesystem::path& path, OpenMode mode) : path_(path) {
    if (int err = InjectedFault(FileCall::Open, path_))
        throw FileFailure(OpenAction(mode), path_, err);
    do {
        fd_ = ::open(path_.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throw FileFailure(OpenAction(mode), path_, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd_);
        fd_ = -1;
        throw FileFailure(OpenAction(mode), path_, err);
    }
}

SectorFile::~SectorFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::uint64_t SectorFile::Size() const {
    struct stat st {};
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

void SectorFile::Flush() {
    if (int err = InjectedFault(FileCall::Flush, path_)) throw FileFailure("flush", path_, err);
    if (::fsync(fd_) != 0) throw FileFailure("flush", path_, errno);
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

void FlushDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw FileFailure("open", directory, errno);
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0 && err != EINVAL) throw FileFailure("flush", directory, err);
}

}  // namespace vorlix
