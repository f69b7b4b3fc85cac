#include "disc/file_system.h"

#include <cdio/bytesex.h>
#include <cdio/iso9660.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "base/failure.h"
#include "disc/directory_walk.h"
#include "files/sector_file.h"
#include "sector/cd_sector.h"

namespace vorlix {

namespace {

constexpr std::int64_t kPvdSector = 16;
// A real disc has two or three volume descriptors; a damaged set is not followed further.
constexpr std::int64_t kMaxDescriptors = 16;
// A whole CD's path table fits in a few sectors; a larger size is damage, not a table.
constexpr std::uint64_t kMaxPathTableBytes = std::uint64_t{1} << 20;
static_assert(sizeof(iso9660_pvd_t) == kIsoBlockSize);

// Whether the primary volume descriptor lies where a PlayStation disc keeps it: in raw Mode 2
// sector 16, right after the sub-header. A volume at other offsets or in 2048-byte sectors would
// not line up with this image's sector numbers. When it is there, copies it into `pvd`.
bool ReadRawMode2Volume(SectorFile& image, iso9660_pvd_t& pvd) {
    RawSector sector{};
    if (image.Size() < static_cast<std::uint64_t>(SectorOffset(kPvdSector + 1))) return false;
    image.ReadSectors(kPvdSector, sector);
    static constexpr std::uint8_t kStandardId[] = {1, 'C', 'D', '0', '0', '1'};
    if (!HasSync(sector) || sector[kModeOffset] != 2 ||
        std::memcmp(sector.data() + kUserDataOffset, kStandardId, sizeof kStandardId) != 0)
        return false;
    std::memcpy(&pvd, sector.data() + kUserDataOffset, sizeof pvd);
    return true;
}

std::string SectorsText(std::int64_t first, std::int64_t sectors) {
    return sectors == 1
               ? "sector " + std::to_string(first)
               : "sectors " + std::to_string(first) + "-" + std::to_string(first + sectors - 1);
}

// The system area and the volume descriptors from sector 16 up to the set's terminator.
void AddDescriptors(SectorFile& image, std::int64_t image_sectors, FileSystem& fs) {
    fs.structures.push_back({"the system area", 0, kPvdSector});
    RawSector sector{};
    for (std::int64_t s = kPvdSector; s < image_sectors && s < kPvdSector + kMaxDescriptors; ++s) {
        image.ReadSectors(s, sector);
        const std::uint8_t* data = sector.data() + kUserDataOffset;
        if (std::memcmp(data + 1, "CD001", 5) != 0) return;
        const char* name = data[0] == 0     ? "the boot record"
                           : data[0] == 1   ? "the primary volume descriptor"
                           : data[0] == 2   ? "a supplementary volume descriptor"
                           : data[0] == 255 ? "the volume descriptor set terminator"
                                            : "a volume descriptor";
        fs.structures.push_back({name, s, 1});
        if (data[0] == 255) return;
    }
}

void AddPathTables(const iso9660_pvd_t& pvd, std::int64_t image_sectors, FileSystem& fs) {
    const std::uint64_t bytes = from_733(pvd.path_table_size);
    if (bytes == 0 || bytes > kMaxPathTableBytes) return;
    const auto sectors = static_cast<std::int64_t>((bytes + kIsoBlockSize - 1) / kIsoBlockSize);
    const std::pair<const char*, std::int64_t> tables[] = {
        {"the path table (L)", from_731(pvd.type_l_path_table)},
        {"the copy of the path table (L)", from_731(pvd.opt_type_l_path_table)},
        {"the path table (M)", from_732(pvd.type_m_path_table)},
        {"the copy of the path table (M)", from_732(pvd.opt_type_m_path_table)}};
    for (const auto& [name, first] : tables)
        if (first > 0 && first + sectors <= image_sectors)
            fs.structures.push_back({name, first, sectors});
}

}  // namespace

std::vector<const DiscStructure*> StructuresIn(const FileSystem& fs, std::int64_t first,
                                               std::int64_t last) {
    std::vector<const DiscStructure*> found;
    for (const DiscStructure& s : fs.structures)
        if (s.first_sector <= last && s.last_sector() >= first) found.push_back(&s);
    return found;
}

std::string NamesOf(const std::vector<const DiscStructure*>& structures) {
    constexpr std::size_t kNamed = 4;
    std::string text;
    for (std::size_t i = 0; i < structures.size() && i < kNamed; ++i)
        text += (i == 0 ? "" : ", ") + structures[i]->name + " (" +
                SectorsText(structures[i]->first_sector, structures[i]->sectors) + ")";
    if (structures.size() > kNamed)
        text += " and " + std::to_string(structures.size() - kNamed) + " more";
    return text;
}

FileSystem ReadFileSystem(const std::filesystem::path& bin, std::int64_t sectors) {
    FileSystem fs;
    SectorFile image(bin, OpenMode::ReadOnly);
    std::int64_t image_sectors = static_cast<std::int64_t>(image.Size() / kRawSectorSize);
    if (sectors >= 0) image_sectors = std::min(image_sectors, sectors);
    iso9660_pvd_t pvd;
    if (!ReadRawMode2Volume(image, pvd)) return fs;
    fs.found = true;
    AddDescriptors(image, image_sectors, fs);
    AddPathTables(pvd, image_sectors, fs);
    // Logical block n is the user data of raw sector n: the volume starts at the track's start.
    const BlockReader read = [&](std::int64_t lsn, std::span<std::uint8_t, kIsoBlockSize> out) {
        RawSector sector{};
        try {
            image.ReadSectors(lsn, sector);
        } catch (const Failure&) {
            return false;  // the walk names the sector it could not read
        }
        std::copy_n(sector.begin() + kUserDataOffset, kIsoBlockSize, out.begin());
        return true;
    };
    // Unsigned, as recorded: a signed 32-bit reading would turn a huge extent into a negative
    // sector in the warning.
    const std::int64_t root_lsn = from_733(pvd.root_directory_record.extent);
    const std::uint64_t root_bytes = from_733(pvd.root_directory_record.size);
    WalkDirectories(read, image_sectors, root_lsn, root_bytes, fs);
    std::ranges::stable_sort(fs.structures, {}, &DiscStructure::first_sector);
    image.Close();
    return fs;
}

}  // namespace vorlix
