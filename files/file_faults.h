#pragma once
// A seam for tests: make the k-th open, examination (fstat), lock, read, write, flush, hole
// punch or reflink of the file layer fail with a chosen error, as a full disk, a failing drive, a
// second process or a file system without holes (or reflinks) would.

#include <filesystem>
#include <functional>

namespace vorlix {

enum class FileCall {
    Open,     // also the opening of a directory for its flush
    Examine,  // fstat after an open: what kind of file it is, its size
    Lock,     // the image lock; EWOULDBLOCK plays a second process holding it
    Read,
    Write,
    Flush,
    Punch,  // deallocating the blocks of a zero run
    Clone,  // sharing a file's blocks with a copy (a reflink); a failure makes it a byte copy
};

// Returns 0 to let the call go on, or an errno value to make it fail with.
using FaultHook = std::function<int(FileCall, const std::filesystem::path&)>;

// Installs a hook for every later file call; an empty hook removes it.
void SetFaultHook(FaultHook hook);

}  // namespace vorlix
