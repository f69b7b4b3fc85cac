#pragma once
// What the test disc's data track holds: its files and the runs no file covers, in disc order,
// and the contents of its files of each kind.

#include <cstdint>
#include <string>
#include <vector>

#include "testdisc/disc_items.h"

namespace vorlix::test::building {

// The files and runs in disc order, before the file system gives them their places. `seed` is
// taken past every seed they used.
std::vector<Item> DiscContent(const DiscOptions& options, std::uint64_t& seed);

// `sectors` Form 1 data sectors: `distinct` pseudo-random payloads in turn, the last one 89.
// Sealing each payload once keeps a 700 MB image quick to make.
Item PaddingFile(std::string path, std::int64_t sectors, std::uint64_t seed);

}  // namespace vorlix::test::building
