#pragma once
// Where one CD audio track's bytes lie in its file: what the cue sheet reading finds and what
// silencing writes.

#include <cstdint>
#include <filesystem>

namespace vorlix {

// One audio track's bytes in its file.
struct AudioSpan {
    int track = 0;
    std::filesystem::path file;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;  // one past the last byte, within the file
};

}  // namespace vorlix
