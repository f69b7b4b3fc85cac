#pragma once
// The one check that two names of a role do not reach the same file.

#include <filesystem>

namespace vorlix {

// Refuses, naming both, a file that is the image itself: reading and writing one file through two
// roles at once would overwrite what is still to be read.
void RefuseSameFile(const std::filesystem::path& image, const std::filesystem::path& other,
                    const char* role);

}  // namespace vorlix
