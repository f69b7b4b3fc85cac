#include "bench/bench_baseline.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "entries/entry_details.h"
#include "entries/list_reader.h"
#include "files/sector_file.h"
#include "image/blank_substitution.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"

namespace vorlix::bench {

namespace {

constexpr std::size_t kCallBytes = std::size_t{1} << 20;

[[noreturn]] void Fail(const char* action, const std::filesystem::path& path) {
    throw std::runtime_error(std::string("Cannot ") + action + " " + path.string() + ": " +
                             std::strerror(errno));
}

int Open(const std::filesystem::path& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) Fail("open", path);
    return fd;
}

void WriteAll(int fd, const std::filesystem::path& path, const std::uint8_t* data, std::size_t size,
              std::uint64_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) Fail("write", path);
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
}

std::size_t ReadAll(int fd, const std::filesystem::path& path, std::uint8_t* data, std::size_t size,
                    std::uint64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("read", path);
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

// The bytes of one ripped entry, sector after sector: the leading sectors from the blank file,
// then filler sectors.
struct EntryBytes {
    const std::vector<std::uint8_t>* source;  // source_sectors whole sectors
    const std::uint8_t* filler;

    const std::uint8_t* Sector(std::int64_t k) const {
        const auto at = static_cast<std::size_t>(k) * kRawSectorSize;
        return at < source->size() ? source->data() + at : filler;
    }

    // Fills `out` with the entry's bytes from byte `offset` on.
    void Fill(std::uint64_t offset, std::uint8_t* out, std::size_t size) const {
        while (size > 0) {
            const auto k = static_cast<std::int64_t>(offset / kRawSectorSize);
            const std::size_t within = offset % kRawSectorSize;
            const std::size_t n = std::min(size, kRawSectorSize - within);
            std::memcpy(out, Sector(k) + within, n);
            out += n;
            offset += n;
            size -= n;
        }
    }
};

std::vector<std::uint8_t> LeadingSectors(const std::filesystem::path& blank, std::int64_t sectors) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(sectors) * kRawSectorSize);
    if (sectors == 0) return bytes;
    const int fd = Open(blank, O_RDONLY);
    ReadAll(fd, blank, bytes.data(), bytes.size(), 0);
    ::close(fd);
    return bytes;
}

}  // namespace

std::int64_t BaselineRip(const std::filesystem::path& list, const std::filesystem::path& image,
                         const std::filesystem::path& blanks, bool flush_each_entry) {
    const EntryLines lines = ReadEntryLines(ReadWholeFile(list));
    const std::vector<PlannedRip> plans = PlanRipAll(lines, image, blanks, {});

    std::array<std::uint8_t, kRawSectorSize> zero_filler{};
    std::array<std::uint8_t, kRawSectorSize> xa_filler{};
    std::copy(kXaSectorPrefix.begin(), kXaSectorPrefix.end(), xa_filler.begin());
    const std::vector<std::uint8_t> none;
    const std::vector<std::uint8_t> movie =
        LeadingSectors(BlankPath(blanks, "ST0"), kStSourceSectors);
    const std::vector<std::uint8_t> audio =
        LeadingSectors(BlankPath(blanks, "XA"), kXaSourceSectors);

    const int fd = Open(image, O_RDWR);
    std::vector<std::uint8_t> buffer(kCallBytes);
    std::int64_t written = 0;
    for (const PlannedRip& rip : plans) {
        EntryBytes entry{&none, zero_filler.data()};
        switch (rip.plan.branch) {
            case ReplaceBranch::None:
                continue;
            case ReplaceBranch::XA:
                entry = {&audio, xa_filler.data()};
                break;
            case ReplaceBranch::ST:
                entry = {&movie, zero_filler.data()};
                break;
            case ReplaceBranch::DU:
                break;
        }
        const auto first = static_cast<std::uint64_t>(SectorOffset(rip.plan.range.start));
        const auto size = static_cast<std::uint64_t>(SectorOffset(rip.plan.range.count));
        for (std::uint64_t at = 0; at < size; at += kCallBytes) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kCallBytes, size - at));
            entry.Fill(at, buffer.data(), n);
            WriteAll(fd, image, buffer.data(), n, first + at);
        }
        if (flush_each_entry && ::fsync(fd) != 0) Fail("flush", image);
        written += rip.plan.range.count;
    }
    if (::fsync(fd) != 0) Fail("flush", image);
    ::close(fd);
    return written;
}

void BaselineCopy(const std::filesystem::path& from, std::uint64_t from_offset,
                  const std::filesystem::path& to, std::uint64_t to_offset, std::uint64_t bytes,
                  bool create) {
    const int in = Open(from, O_RDONLY);
    const int out = Open(to, create ? O_WRONLY | O_CREAT | O_EXCL : O_WRONLY);
    std::vector<std::uint8_t> buffer(kCallBytes);
    for (std::uint64_t at = 0; at < bytes; at += kCallBytes) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kCallBytes, bytes - at));
        if (ReadAll(in, from, buffer.data(), n, from_offset + at) != n) {
            errno = EIO;
            Fail("read all of", from);
        }
        WriteAll(out, to, buffer.data(), n, to_offset + at);
    }
    if (::fsync(out) != 0) Fail("flush", to);
    ::close(out);
    ::close(in);
}

std::uint64_t BaselineRead(const std::filesystem::path& file) {
    const int in = Open(file, O_RDONLY);
    std::vector<std::uint8_t> buffer(kCallBytes);
    std::uint64_t total = 0;
    for (std::size_t n; (n = ReadAll(in, file, buffer.data(), kCallBytes, total)) > 0;) total += n;
    ::close(in);
    return total;
}

std::uint64_t BaselinePunch(const std::vector<std::filesystem::path>& files) {
    std::uint64_t total = 0;
    for (const std::filesystem::path& file : files) {
        const int fd = Open(file, O_RDWR);
        const off_t length = ::lseek(fd, 0, SEEK_END);
        if (length < 0) Fail("examine", file);
        if (length > 0 &&
            ::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0, length) != 0)
            Fail("punch a hole in", file);
        if (::fsync(fd) != 0) Fail("flush", file);
        ::close(fd);
        total += static_cast<std::uint64_t>(length);
    }
    return total;
}

}  // namespace vorlix::bench
