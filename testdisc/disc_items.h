#pragma once
// What the test disc builder assembles a disc from: pseudo-random bytes that are the same on every
// platform, sealed sectors, and items (a file's sectors, or a run no file covers) before they have
// their places.

#include <cstdint>
#include <string>
#include <vector>

#include "sector/cd_sector.h"
#include "testdisc/iso9660_writer.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test::building {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kStreamFile = 1;  // sub-header file number of movies and XA

inline constexpr std::uint8_t kSubmodeFileData = kSubmodeData;
inline constexpr std::uint8_t kSubmodeLastData =
    kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile;
inline constexpr std::uint8_t kSubmodeMovie = kSubmodeRealTime | kSubmodeData;
inline constexpr std::uint8_t kSubmodeXa = kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio;
inline constexpr std::uint8_t kEndBits = kSubmodeEndOfRecord | kSubmodeEndOfFile;

// splitmix64: the same bytes on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Range(int low, int high) {  // inclusive
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    void Fill(std::uint8_t* out, std::size_t n) {
        for (std::size_t i = 0; i < n; i += 8) {
            const std::uint64_t v = Next();
            for (std::size_t k = 0; k < 8 && i + k < n; ++k)
                out[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
        }
    }
    Bytes Bytes_(std::size_t n) {
        Bytes b(n);
        Fill(b.data(), n);
        return b;
    }

private:
    std::uint64_t state_;
};

// Sectors are sealed as if at position 0: in Mode 2 neither EDC nor ECC covers the address, so
// only the three address bytes change when the sector takes its place.
RawSector Form1Sector(SubHeader sub, const std::uint8_t* data, std::size_t size);
RawSector Form2Sector(SubHeader sub, const std::uint8_t* data, std::size_t size, bool edc);

struct StreamPart {
    std::int64_t first = 0, last = 0;  // relative to the item
    BuiltStream::Kind kind = BuiltStream::Movie;
    int frames = 0;
    std::uint16_t width = 0, height = 0, version = 0;
    int channels = 0;
};

// A file's sectors (or a run no file covers) before it has its place on the disc.
struct Item {
    std::string path;  // empty: sectors no file covers
    std::string role;  // empty for runs no file covers and the empty tail
    std::uint16_t attributes = kXaPlainFile;
    std::uint8_t file_number = 0;
    std::int64_t recorded_size = -1;  // bytes; -1: 2048 a sector
    std::vector<RawSector> sectors;
    // Long padding files: `cycle` repeated, then `last`, `repeat_count` sectors in all.
    std::int64_t repeat_count = 0;
    std::vector<RawSector> cycle;
    RawSector last{};
    std::vector<StreamPart> streams;
    std::int64_t first = 0;

    std::int64_t Count() const {
        return repeat_count > 0 ? repeat_count : static_cast<std::int64_t>(sectors.size());
    }
    const RawSector& At(std::int64_t i) const {
        if (repeat_count == 0) return sectors[static_cast<std::size_t>(i)];
        if (i == repeat_count - 1) return last;
        return cycle[static_cast<std::size_t>(i) % cycle.size()];
    }
    std::int64_t RecordedSize() const {
        return recorded_size >= 0 ? recorded_size : Count() * 2048;
    }
};

// Form 1 data sectors of `content`: submode 08, the last one 89 when it ends the file.
std::vector<RawSector> DataSectors(const Bytes& content, bool ends_file = true);

Item DataFile(std::string path, std::string role, const Bytes& content);

// The type code a correct scan lists for an item of `role` (-1: none), and for a stream run.
int CodeOf(const std::string& role);
int CodeOf(BuiltStream::Kind kind);

}  // namespace vorlix::test::building
