#pragma once
// Verify: every sector of an image checked as a Mode 2 sector at its own position, the problems
// found gathered by kind into merged ranges of sectors.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "sector/sector_problems.h"

namespace vorlix {

struct SectorRun {
    std::int64_t first = 0;
    std::int64_t count = 0;
};

struct VerifyReport {
    std::int64_t sectors = 0;          // whole sectors checked
    std::uint64_t trailing_bytes = 0;  // bytes after the last whole sector (a truncated image)
    std::int64_t sectors_with_problems = 0;
    std::array<std::int64_t, kSectorProblemKinds> counts{};        // sectors of each kind
    std::array<std::vector<SectorRun>, kSectorProblemKinds> runs;  // merged, ascending
    bool clean() const { return sectors_with_problems == 0 && trailing_bytes == 0; }
};

// Called now and then with the sectors checked so far and the total.
using VerifyProgress = std::function<void(std::int64_t done, std::int64_t total)>;

// Checks every sector of the raw image `bin`, reading it once from start to end with two threads
// checking batches side by side; only its first `sectors` when that is not -1 (a data track that
// other tracks follow in its file). Throws Failure when the image cannot be read.
VerifyReport VerifyImage(const std::filesystem::path& bin, const VerifyProgress& progress = {},
                         std::int64_t sectors = -1);

}  // namespace vorlix
