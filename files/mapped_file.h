#pragma once
// A read-only view of an open file's bytes, for a walk that only looks at them (verify): it reads
// them where the system caches them instead of copying each batch out first, which for a cached
// image is a third of the walk.
//
// A mapped page that can no longer be read (the file was shortened under the mapping by another
// program, or the disk failed) raises SIGBUS instead of failing a read. LookAt catches that for
// the look it runs and returns false, and the caller reads those bytes the ordinary way, which
// tells why. Any other SIGBUS goes to whatever handled it before.

#include <cstdint>
#include <span>

namespace vorlix {

class SectorFile;

class MappedFile {
public:
    // Maps the first `length` bytes of `file`. When the system refuses (an address-space limit)
    // nothing is mapped and IsMapped() is false: the caller reads instead.
    MappedFile(const SectorFile& file, std::uint64_t length);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool IsMapped() const { return bytes_ != nullptr; }

    // Calls look(bytes) with the mapped bytes [offset, offset + length) and returns true. Returns
    // false without calling it when those bytes are not mapped, and false when a page could not
    // be read: look was then stopped where it was, so it must own nothing that needs destroying
    // (no strings, no vectors, no locks) and write only to storage its caller owns. A read fault
    // set for tests fails it as a read would.
    template <typename Look>
    bool LookAt(std::uint64_t offset, std::uint64_t length, const Look& look) const {
        return Run(offset, length, &Call<Look>, &look);
    }

private:
    using LookFunction = void (*)(const void* look, std::span<const std::uint8_t> bytes);
    template <typename Look>
    static void Call(const void* look, std::span<const std::uint8_t> bytes) {
        (*static_cast<const Look*>(look))(bytes);
    }
    bool Run(std::uint64_t offset, std::uint64_t length, LookFunction call, const void* look) const;

    const SectorFile& file_;
    const std::uint8_t* bytes_ = nullptr;
    std::uint64_t length_ = 0;
};

}  // namespace vorlix
