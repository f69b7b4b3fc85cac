#pragma once
// The file layer asks here before each system call whether a test wants it to fail.

#include <filesystem>

#include "files/file_faults.h"

namespace vorlix {

int InjectedFault(FileCall call, const std::filesystem::path& path);

}  // namespace vorlix
