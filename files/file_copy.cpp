#include "files/file_copy.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "base/failure.h"
#include "files/file_faults_internal.h"
#include "files/sector_file.h"

namespace vorlix {
namespace {

// Large enough that the calls cost nothing beside the bytes, small enough for a lively progress.
constexpr std::uint64_t kStepBytes = std::uint64_t{4} << 20;

bool TryReflink(SectorFile& from, SectorFile& to) {
    if (InjectedFault(FileCall::Clone, to.Path()) != 0) return false;
    return ::ioctl(to.Descriptor(), FICLONE, from.Descriptor()) == 0;
}

// Reads and writes through a buffer: for kernels whose copy_file_range refuses these two files.
std::uint64_t CopyThroughBuffer(SectorFile& from, SectorFile& to, std::uint64_t at,
                                std::uint64_t length) {
    std::vector<std::uint8_t> buffer(std::min(kStepBytes, length - at));
    const std::size_t n = from.ReadAt(at, buffer);
    if (n == 0) throw FileFailure("read", from.Path(), EIO);
    to.WriteAt(at, std::span(buffer.data(), n));
    return n;
}

}  // namespace

CopyWay CopyWholeFile(SectorFile& from, SectorFile& to, const CopyProgress& progress) {
    const std::uint64_t length = from.Size();
    if (length > 0 && TryReflink(from, to)) {
        if (progress) progress(length, length);
        return CopyWay::Reflink;
    }
    bool by_kernel = true;
    for (std::uint64_t at = 0; at < length;) {
        if (int err = InjectedFault(FileCall::Write, to.Path()))
            throw FileFailure("write", to.Path(), err);
        ssize_t n = -1;
        if (by_kernel) {
            auto in = static_cast<off_t>(at), out = static_cast<off_t>(at);
            n = ::copy_file_range(from.Descriptor(), &in, to.Descriptor(), &out,
                                  static_cast<std::size_t>(std::min(kStepBytes, length - at)), 0);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                by_kernel = false;
                continue;
            }
            if (n < 0) throw FileFailure("write", to.Path(), errno);
            // The original shrank under the copy: its lock keeps VORLIX out, not other programs.
            if (n == 0) throw FileFailure("read", from.Path(), EIO);
        } else {
            n = static_cast<ssize_t>(CopyThroughBuffer(from, to, at, length));
        }
        at += static_cast<std::uint64_t>(n);
        if (progress) progress(at, length);
    }
    return CopyWay::Copy;
}

}  // namespace vorlix
