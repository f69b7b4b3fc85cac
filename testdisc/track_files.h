#pragma once
// The test disc's files: the data track, the CD-DA track, the cue sheet naming both, and the
// data track rewritten as images of other kinds hold it.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "testdisc/disc_items.h"

namespace vorlix::test::building {

inline constexpr std::int64_t kAudioTrackSectors = 300;

// The system area, the file system's blocks of `iso` for a volume of `total` sectors (with
// `no_file_system`, system-area sectors in their stead), then every item at its place.
void WriteDataTrack(const std::filesystem::path& bin, const Iso9660Writer& iso,
                    const std::vector<Item>& items, std::int64_t total, bool no_file_system);

// Appends to `path` when asked (the single-bin layout), else writes it anew.
void WriteAudioTrack(const std::filesystem::path& path, bool append);

// Track 2's pregap is its file's first two seconds, or in a single .bin the two seconds after
// the data track.
void WriteCue(const BuiltDisc& disc, const DiscOptions& options);

// Makes the root record of the volume descriptor in sector 16 name `extent`, the sector resealed.
void PointRootAt(const std::filesystem::path& bin, std::uint32_t extent);

// Rewrites a raw image as images of other kinds hold it: each sector's sub-header and user data
// (2336 bytes) or its Form 1 user data alone (2048 bytes).
void KeepOnlyUserData(const std::filesystem::path& path, int sector_size);

}  // namespace vorlix::test::building
