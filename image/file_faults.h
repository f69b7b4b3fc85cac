#pragma once
// A seam for tests: make the k-th open, read, write, flush or hole punch of the file layer fail
// with a chosen error, as a full disk, a failing drive or a file system without holes would.

#include <filesystem>
#include <functional>

namespace vorlix {

enum class FileCall { Open, Read, Write, Flush, Punch };

// Returns 0 to let the call go on, or an errno value to make it fail with.
using FaultHook = std::function<int(FileCall, const std::filesystem::path&)>;

// Installs a hook for every later file call; an empty hook removes it.
void SetFaultHook(FaultHook hook);

}  // namespace vorlix
