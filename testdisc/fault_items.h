#pragma once
// The test disc's faults for bad-input tests: directory bombs, whose record sectors follow the
// files, and records that point where they should not.

#include <cstdint>
#include <vector>

#include "testdisc/disc_items.h"

namespace vorlix::test::building {

// The directory bombs `options` asks for, their sectors from `position` on: their items are
// appended to `items` with their places, their directories recorded in `iso`. Returns the sectors
// they take, all of them directory records.
std::int64_t AddDirectoryBombs(const DiscOptions& options, std::int64_t position,
                               Iso9660Writer& iso, std::vector<Item>& items);

// The faulty records `options` asks for that bring no sectors of their own (a directory cycle, a
// file past the image's `total` sectors, files inside /MOVIE/OPENING.STR, an empty file), in
// `iso` and `disc.files`.
void AddFaultRecords(const DiscOptions& options, std::int64_t total, Iso9660Writer& iso,
                     BuiltDisc& disc);

}  // namespace vorlix::test::building
