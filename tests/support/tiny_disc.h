#pragma once
// Small raw Mode 2 images for the scan's own tests, with directory records written by hand so
// that damaged trees (cycles, extents past the end) can be made too.

#include <cstdint>
#include <string>
#include <vector>

#include "support/synthetic.h"

namespace vorlix::test {

struct TinyRecord {
    std::string name;  // "A.STR" (written with ";1") or a directory name
    std::int64_t lsn = 0;
    std::uint64_t bytes = 0;
    bool directory = false;
    std::uint16_t xa_attributes = 0x0D55;  // Form 1, readable
};

// Directories of a tiny disc, by their first sector; the root is at sector 18.
struct TinyDirectory {
    std::int64_t lsn;
    std::vector<TinyRecord> records;
};

// `sectors` Form 1 data sectors of pattern data; with `directories` also the volume descriptor
// in sector 16 and each directory (one sector each; the root's record says 2048 bytes).
Bytes TinyImage(std::int64_t sectors, const std::vector<TinyDirectory>& directories);

// Rewrites sector `s` of `image` as the named kind of Mode 2 sector.
void PutVideo(Bytes& image, std::int64_t s, std::uint32_t frame, std::uint16_t chunk = 0,
              std::uint16_t chunks = 10);
void PutAudio(Bytes& image, std::int64_t s);
// Form 1 data beginning with `head`, then `fill`.
void PutData(Bytes& image, std::int64_t s, const Bytes& head, std::uint8_t fill = 0);

}  // namespace vorlix::test
