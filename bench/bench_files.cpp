#include "bench/bench_files.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "sector/cd_sector.h"
#include "sector/sector_geometry.h"

namespace vorlix::bench {

namespace {

constexpr std::int64_t kBatchSectors = 448;

[[noreturn]] void Fail(const char* action, const std::filesystem::path& path) {
    throw std::runtime_error(std::string("Cannot ") + action + " " + path.string() + ": " +
                             std::strerror(errno));
}

class Fd {
public:
    Fd(const std::filesystem::path& path, int flags) : path_(path) {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (fd_ < 0) Fail("open", path);
    }
    ~Fd() { ::close(fd_); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    int fd_;
};

void WriteAll(const Fd& fd, const std::uint8_t* data, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd.get(), data, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail("write", fd.path());
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
}

}  // namespace

std::uint8_t FreshByte(std::int64_t sector) {
    // Never 0: a fresh sector must differ from every zero sector a rip writes.
    return static_cast<std::uint8_t>(1 + sector % 251);
}

void WriteFresh(const std::filesystem::path& path, const std::vector<Sectors>& ranges) {
    Fd fd(path, O_WRONLY | O_CREAT);
    std::vector<std::uint8_t> batch(kBatchSectors * kRawSectorSize);
    for (const Sectors& range : ranges) {
        const std::int64_t end = range.first + range.count;
        for (std::int64_t first = range.first; first < end; first += kBatchSectors) {
            const std::int64_t n = std::min(kBatchSectors, end - first);
            for (std::int64_t k = 0; k < n; ++k) {
                std::uint8_t* sector = batch.data() + k * kRawSectorSize;
                const std::int64_t s = first + k;
                std::memset(sector, FreshByte(s), kRawSectorSize);
                std::memcpy(sector, &s, sizeof s);
            }
            WriteAll(fd, batch.data(), static_cast<std::size_t>(n) * kRawSectorSize,
                     static_cast<off_t>(SectorOffset(first)));
        }
    }
    if (::fsync(fd.get()) != 0) Fail("flush", path);
}

void WriteValidImage(const std::filesystem::path& path, std::int64_t sectors) {
    Fd fd(path, O_WRONLY | O_CREAT | O_TRUNC);
    std::vector<std::uint8_t> batch(kBatchSectors * kRawSectorSize);
    for (std::int64_t first = 0; first < sectors; first += kBatchSectors) {
        const std::int64_t n = std::min(kBatchSectors, sectors - first);
        for (std::int64_t k = 0; k < n; ++k) {
            const std::int64_t s = first + k;
            const MutableSectorView sector(batch.data() + k * kRawSectorSize, kRawSectorSize);
            std::memset(sector.data(), FreshByte(s), kRawSectorSize);
            const bool audio = s % 8 == 7;
            WriteMode2Header(sector, s,
                             {1, 0,
                              audio ? std::uint8_t{kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio}
                                    : kSubmodeData,
                              audio ? kCodingStereo : std::uint8_t{0}});
            if (audio)
                SealForm2(sector);
            else
                SealForm1(sector);
        }
        WriteAll(fd, batch.data(), static_cast<std::size_t>(n) * kRawSectorSize,
                 static_cast<off_t>(SectorOffset(first)));
    }
    if (::fsync(fd.get()) != 0) Fail("flush", path);
}

void Settle(const std::filesystem::path& path) {
    if (!std::filesystem::exists(path)) return;
    Fd fd(path, O_RDONLY);
    if (::fsync(fd.get()) != 0) Fail("flush", path);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
}

void SettleFileSystem(const std::filesystem::path& dir) {
    Fd fd(dir, O_RDONLY | O_DIRECTORY);
    if (::syncfs(fd.get()) != 0) Fail("flush the file system of", dir);
}

std::uint64_t ContentHash(const std::filesystem::path& path) {
    Fd fd(path, O_RDONLY);
    std::vector<std::uint64_t> words((std::size_t{1} << 20) / sizeof(std::uint64_t));
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    std::uint64_t length = 0;
    for (;;) {
        std::fill(words.begin(), words.end(), 0);
        const ssize_t n = ::read(fd.get(), words.data(), words.size() * sizeof(std::uint64_t));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("read", path);
        if (n == 0) break;
        length += static_cast<std::uint64_t>(n);
        const std::size_t used = (static_cast<std::size_t>(n) + 7) / 8;
        for (std::size_t i = 0; i < used; ++i) hash = (hash ^ words[i]) * 0x100000001b3ULL;
    }
    return hash ^ length;
}

std::uint64_t FreeBytes(const std::filesystem::path& dir) {
    struct statvfs st {};
    if (::statvfs(dir.c_str(), &st) != 0) Fail("examine", dir);
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

}  // namespace vorlix::bench
