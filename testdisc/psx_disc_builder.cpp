#include "testdisc/psx_disc_builder.h"

#include <algorithm>
#include <utility>

#include "entries/type_codes.h"
#include "testdisc/disc_content.h"
#include "testdisc/disc_items.h"
#include "testdisc/fault_items.h"
#include "testdisc/iso9660_writer.h"
#include "testdisc/track_files.h"

namespace vorlix::test {

using namespace building;

namespace {

constexpr std::int64_t kTrailingEmptySectors = 16;

}  // namespace

BuiltDisc BuildPsxDisc(const std::filesystem::path& dir, const DiscOptions& options) {
    std::filesystem::create_directories(dir);
    std::uint64_t seed = 100;
    std::vector<Item> items = DiscContent(options, seed);

    // The file system comes first on the disc, so its size is needed before the files' places.
    std::vector<std::string> directories;
    for (const Item& item : items) {
        if (item.path.empty()) continue;
        const std::string parent = item.path.substr(0, item.path.rfind('/'));
        if (!parent.empty()) directories.push_back(parent);
    }
    directories.push_back("/DATA");
    if (options.overlapping_files) directories.push_back("/SHARE");
    Iso9660Writer iso("VORLIX_TEST", directories);

    std::int64_t position = iso.MetadataEnd();
    std::int64_t directory_sectors = iso.MetadataEnd() - iso.DirectorySector("/");
    for (Item& item : items) {
        item.first = position;
        position += item.Count();
    }
    const std::int64_t bombs = AddDirectoryBombs(options, position, iso, items);
    directory_sectors += bombs;
    position += bombs;
    if (options.total_sectors > position + kTrailingEmptySectors) {
        Item big = PaddingFile("/DATA/BIG.DAT",
                               options.total_sectors - position - kTrailingEmptySectors, ++seed);
        big.first = position;
        position += big.Count();
        items.push_back(std::move(big));
    }
    {
        // Unused sectors to the end of the track: empty Form 2.
        Item tail;
        tail.sectors.assign(kTrailingEmptySectors,
                            Form2Sector({0, 0, kSubmodeForm2, 0}, nullptr, 0, true));
        tail.first = position;
        position += tail.Count();
        items.push_back(std::move(tail));
    }
    const std::int64_t total = position;

    BuiltDisc disc;
    disc.bin = dir / (options.name + (options.single_bin ? ".bin" : " (Track 1).bin"));
    disc.audio_bin = options.single_bin ? disc.bin : dir / (options.name + " (Track 2).bin");
    disc.cue = dir / (options.name + ".cue");
    disc.sectors = total;
    disc.directory_sectors = directory_sectors;

    disc.file_system_end = iso.MetadataEnd();
    // The damaged dummy record lies over the system area, the file system and the first files.
    const auto moved = [&](const Item& item) {
        return options.dummy_over_file_system && item.path == "/DUMMY.DAT";
    };
    for (const Item& item : items) {
        if (!item.path.empty()) {
            const std::int64_t first = moved(item) ? 10 : item.first;
            iso.AddFile(item.path, first, item.RecordedSize(), item.attributes, item.file_number);
            disc.files.push_back({item.path, first, item.Count(), item.attributes, item.role});
        }
        for (const StreamPart& s : item.streams)
            disc.streams.push_back({item.path.empty() ? "gap" : item.path, item.first + s.first,
                                    item.first + s.last, s.kind, s.frames, s.width, s.height,
                                    s.version, s.channels});
    }
    AddFaultRecords(options, total, iso, disc);
    std::ranges::stable_sort(disc.files, {}, &BuiltFile::first_sector);

    // What a correct scan lists.
    for (const Item& item : items) {
        const int code = CodeOf(item.role);
        if (moved(item)) continue;
        if (!options.no_file_system && !options.root_extent_huge && code != kNotListed) {
            disc.expected.push_back({item.first, item.first + item.Count() - 1, code, item.path});
            continue;
        }
        for (const StreamPart& s : item.streams) {
            const std::string where = item.path.empty() ? "gap" : item.path;
            disc.expected.push_back(
                {item.first + s.first, item.first + s.last, CodeOf(s.kind), where});
        }
    }
    if (options.truncate_to > 0) {
        std::erase_if(disc.expected,
                      [&](const ExpectedEntry& e) { return e.end >= options.truncate_to; });
    }

    WriteDataTrack(disc.bin, iso, items, total, options.no_file_system);
    if (options.root_extent_huge) PointRootAt(disc.bin, 0xFFFFFFF0u);
    if (options.truncate_to > 0 && options.truncate_to < total) {
        std::filesystem::resize_file(
            disc.bin, static_cast<std::uintmax_t>(options.truncate_to) * kRawSectorSize);
        disc.sectors = options.truncate_to;
    }
    if (options.sector_size != static_cast<int>(kRawSectorSize))
        KeepOnlyUserData(disc.bin, options.sector_size);
    if (options.single_bin) disc.audio_first_sector = disc.sectors;
    disc.audio_sectors = kAudioTrackSectors;
    WriteAudioTrack(disc.audio_bin, options.single_bin);
    if (options.audio_file_sectors > 0 && !options.single_bin)
        std::filesystem::resize_file(
            disc.audio_bin,
            static_cast<std::uintmax_t>(options.audio_file_sectors) * kRawSectorSize);
    WriteCue(disc, options);
    return disc;
}

}  // namespace vorlix::test
