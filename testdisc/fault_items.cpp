#include "testdisc/fault_items.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

namespace vorlix::test::building {
namespace {

// `count` Form 1 sectors holding nothing but directory records, packed as a directory's are:
// `record(block, k)` gives the k-th record of a block, up to 48 a block.
Item RecordSectors(std::int64_t count,
                   const std::function<Bytes(std::int64_t block, int k)>& record) {
    Item item;
    for (std::int64_t b = 0; b < count; ++b) {
        Bytes block;
        for (int k = 0; k < 48; ++k) {
            const Bytes r = record(b, k);
            if (block.size() + r.size() > 2048) break;
            block.insert(block.end(), r.begin(), r.end());
        }
        item.sectors.push_back(
            Form1Sector({0, 0, kSubmodeLastData, 0}, block.data(), block.size()));
    }
    return item;
}

std::string Numbered(char letter, std::int64_t block, int k) {
    return letter + std::to_string(block) + "_" + std::to_string(k);
}

}  // namespace

std::int64_t AddDirectoryBombs(const DiscOptions& options, std::int64_t position,
                               Iso9660Writer& iso, std::vector<Item>& items) {
    const std::int64_t start = position;
    constexpr std::int64_t kMiB = 1 << 20;
    constexpr std::int64_t kBombDirectorySectors = kMiB / 2048;
    if (options.overlapping_directories) {
        // Directories start anywhere in the first 577 sectors: most overlap the first one read,
        // some lie beyond it.
        constexpr std::int64_t kStarts = kBombDirectorySectors + 65;
        const std::int64_t first = position;
        Item bomb = RecordSectors(kStarts + kBombDirectorySectors, [&](std::int64_t b, int k) {
            if (k % 2 == 1)
                return PlainDirectoryRecord(Numbered('F', b, k), first + b, 2048, false);
            return PlainDirectoryRecord(Numbered('D', b, k), first + (b * 7 + k * 13) % kStarts,
                                        kMiB, true);
        });
        iso.AddDirectoryRecord("/DATA/BOMB", first, kMiB);
        bomb.first = first;
        position += bomb.Count();
        items.push_back(std::move(bomb));
    }
    if (options.crowded_directory) {
        Item crowd = RecordSectors(kBombDirectorySectors, [](std::int64_t b, int k) {
            return PlainDirectoryRecord(Numbered('E', b, k), 0, 0, false);
        });
        iso.AddDirectoryRecord("/DATA/CROWD", position, kMiB);
        crowd.first = position;
        position += crowd.Count();
        items.push_back(std::move(crowd));
    }
    return position - start;
}

void AddFaultRecords(const DiscOptions& options, std::int64_t total, Iso9660Writer& iso,
                     BuiltDisc& disc) {
    if (options.directory_cycle) iso.AddDirectoryLink("/DATA/LOOP", "/DATA");
    if (options.extent_past_end) {
        iso.AddFile("/DATA/LOST.DAT", total + 100, 10 * 2048, kXaPlainFile, 0);
        disc.files.push_back({"/DATA/LOST.DAT", total + 100, 10, kXaPlainFile, "data"});
    }
    if (options.overlapping_files) {
        // A copy: the files pushed below may move the vector.
        const std::int64_t movie =
            std::ranges::find(disc.files, "/MOVIE/OPENING.STR", &BuiltFile::path)->first_sector;
        for (int k = 0; k < 30; ++k) {
            const std::string path = "/SHARE/S" + std::to_string(10 + k) + ".STR";
            iso.AddFile(path, movie + 1 + k, (k + 2) * 2048, kXaPlainFile, kStreamFile);
            disc.files.push_back({path, movie + 1 + k, k + 2, kXaPlainFile, "data"});
        }
    }
    if (options.zero_byte_file) {
        iso.AddFile("/DATA/EMPTY.DAT", 0, 0, kXaPlainFile, 0);
        disc.files.push_back({"/DATA/EMPTY.DAT", 0, 0, kXaPlainFile, "data"});
    }
}

}  // namespace vorlix::test::building
