#pragma once
// The advisory lock an operation holds on the image for its whole run.

#include <cstdint>
#include <filesystem>

namespace vorlix {

// How an operation uses the image for its whole run.
enum class ImageAccess {
    Read,   // shared: any number of readers at once
    Write,  // exclusive: no other reader or writer
};

// The advisory lock (flock) an operation holds on the image for its whole run, so that a second
// VORLIX process cannot interleave with it. A lock that another process holds is refused at once
// ("... is in use by another VORLIX operation"); nothing waits. Taking it also refuses an image
// that is missing or not a regular file. Within one process the lock is re-entrant: an operation
// that calls another (Rip All calls RipEntry) shares the outer one's lock, and a Write inside a
// Read upgrades it.
//
// An operation takes it once, first thing, for as long as it reads or writes the image:
//     const ImageLock lock(image, ImageAccess::Write);
class ImageLock {
public:
    ImageLock(const std::filesystem::path& image, ImageAccess access);
    ~ImageLock();
    ImageLock(const ImageLock&) = delete;
    ImageLock& operator=(const ImageLock&) = delete;

private:
    std::uint64_t key_dev_ = 0;
    std::uint64_t key_ino_ = 0;
    bool downgrade_on_release_ = false;
};

}  // namespace vorlix
