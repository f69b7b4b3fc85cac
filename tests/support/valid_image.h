#pragma once
// Images of valid Mode 2 sectors for the verify and Write Valid Sectors tests: every sector sealed
// at its own position, Form 1 data and Form 2 audio mixed, contents that tell sectors apart.

#include <cstdint>
#include <filesystem>

#include "support/synthetic.h"

namespace vorlix::test {

// A valid sector for position `position`: Form 2 when `form2`, otherwise Form 1; data from `tag`.
Bytes ValidSector(std::int64_t position, std::uint8_t tag, bool form2);

// `sectors` valid sectors, every seventh one Form 2, each valid at its own position.
void WriteValidImage(const std::filesystem::path& path, std::uint8_t tag, std::int64_t sectors);

}  // namespace vorlix::test
