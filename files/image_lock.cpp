#include "files/image_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "base/failure.h"
#include "files/file_faults_internal.h"
#include "files/sector_file.h"

namespace vorlix {

namespace {

// The image locks this process holds, by file identity, so that an operation running inside
// another (RipEntry inside Rip All) shares the outer lock instead of colliding with it.
struct HeldLock {
    int fd = -1;
    int users = 0;
    bool exclusive = false;
};

std::mutex& LocksMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::pair<std::uint64_t, std::uint64_t>, HeldLock>& HeldLocks() {
    static std::map<std::pair<std::uint64_t, std::uint64_t>, HeldLock> locks;
    return locks;
}

Failure InUse(const std::filesystem::path& image) {
    return Failure(DisplayPath(image) + " is in use by another VORLIX operation.", EWOULDBLOCK,
                   image);
}

// Takes or converts the flock without waiting; EWOULDBLOCK means another process holds it.
void TakeFlock(int fd, bool exclusive, const std::filesystem::path& image) {
    int err = InjectedFault(FileCall::Lock, image);
    if (err == 0) {
        while (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
    }
    if (err == EWOULDBLOCK) throw InUse(image);
    // A file system without locks (some network and FUSE ones) leaves the run unguarded, as
    // before locks existed, rather than refusing every operation on it.
    if (err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS) return;
    if (err != 0) throw FileFailure("lock", image, err);
}

}  // namespace

ImageLock::ImageLock(const std::filesystem::path& image, ImageAccess access) {
    const bool exclusive = access == ImageAccess::Write;
    const std::lock_guard<std::mutex> guard(LocksMutex());
    auto& locks = HeldLocks();
    // Inside an operation that holds the lock already (one per entry in Rip All): share it.
    struct stat st {};
    if (::stat(image.c_str(), &st) == 0) {
        const auto found = locks.find({st.st_dev, st.st_ino});
        if (found != locks.end()) {
            HeldLock& held = found->second;
            if (exclusive && !held.exclusive) {
                TakeFlock(held.fd, true, image);
                held.exclusive = true;
                downgrade_on_release_ = true;
            }
            ++held.users;
            key_dev_ = st.st_dev;
            key_ino_ = st.st_ino;
            return;
        }
    }
    const int fd = OpenRegular(image, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, "open");
    ::fstat(fd, &st);  // cannot fail on a descriptor just examined
    try {
        TakeFlock(fd, exclusive, image);
    } catch (...) {
        ::close(fd);
        throw;
    }
    key_dev_ = st.st_dev;
    key_ino_ = st.st_ino;
    locks[{key_dev_, key_ino_}] = {fd, 1, exclusive};
}

ImageLock::~ImageLock() {
    const std::lock_guard<std::mutex> guard(LocksMutex());
    auto& locks = HeldLocks();
    const auto found = locks.find({key_dev_, key_ino_});
    if (found == locks.end()) return;
    HeldLock& held = found->second;
    if (--held.users == 0) {
        ::close(held.fd);  // releases the flock
        locks.erase(found);
    } else if (downgrade_on_release_) {
        ::flock(held.fd, LOCK_SH | LOCK_NB);
        held.exclusive = false;
    }
}

}  // namespace vorlix
