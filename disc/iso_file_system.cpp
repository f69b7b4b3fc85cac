#include <cdio/bytesex.h>
#include <cdio/iso9660.h>
#include <cdio/logging.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "disc/directory_walk.h"
#include "disc/file_system.h"
#include "image/cd_sector.h"
#include "image/failure.h"
#include "image/sector_file.h"

namespace vorlix {

namespace {

constexpr std::int64_t kPvdSector = 16;
// libiso9660 looks for the volume descriptor this many bytes around where it is expected.
constexpr unsigned int kFuzz = 32;

// libcdio logs to standard error by default; what matters to the user comes back as warnings.
void QuietLog(cdio_log_level_t, const char*) {}

struct IsoCloser {
    void operator()(iso9660_t* iso) const { iso9660_close(iso); }
};

// Whether the primary volume descriptor lies where a PlayStation disc keeps it: in raw Mode 2
// sector 16, right after the sub-header. libiso9660 would also find a volume at other offsets or
// in 2048-byte sectors, which would not line up with this image's sector numbers.
bool HasRawMode2Volume(SectorFile& image) {
    RawSector sector{};
    if (image.Size() < static_cast<std::uint64_t>(SectorOffset(kPvdSector + 1))) return false;
    image.ReadSectors(kPvdSector, sector);
    static constexpr std::uint8_t kStandardId[] = {1, 'C', 'D', '0', '0', '1'};
    return std::equal(kSyncPattern.begin(), kSyncPattern.end(), sector.begin()) &&
           sector[kModeOffset] == 2 &&
           std::memcmp(sector.data() + kUserDataOffset, kStandardId, sizeof kStandardId) == 0;
}

}  // namespace

FileSystem ReadFileSystem(const std::filesystem::path& bin, std::int64_t sectors) {
    FileSystem fs;
    SectorFile image(bin, OpenMode::ReadOnly);
    std::int64_t image_sectors = static_cast<std::int64_t>(image.Size() / kRawSectorSize);
    if (sectors >= 0) image_sectors = std::min(image_sectors, sectors);
    if (!HasRawMode2Volume(image)) return fs;

    cdio_log_set_handler(QuietLog);
    std::unique_ptr<iso9660_t, IsoCloser> iso(
        iso9660_open_fuzzy_ext(bin.c_str(), ISO_EXTENSION_NONE, kFuzz));
    iso9660_pvd_t pvd;
    if (!iso || !iso9660_ifs_read_pvd(iso.get(), &pvd)) {
        fs.warnings.push_back("The volume descriptor in sector 16 of " + DisplayPath(bin) +
                              " cannot be read; the file system is not used.");
        return fs;
    }
    fs.found = true;
    const std::int64_t root_lsn = iso9660_get_root_lsn(&pvd);
    const std::uint64_t root_bytes = from_733(pvd.root_directory_record.size);
    const BlockReader read = [&](std::int64_t lsn, std::span<std::uint8_t, kIsoBlockSize> out) {
        return iso9660_iso_seek_read(iso.get(), out.data(), static_cast<lsn_t>(lsn), 1) ==
               static_cast<long>(kIsoBlockSize);
    };
    WalkDirectories(read, image_sectors, root_lsn, root_bytes, fs);
    image.Close();
    return fs;
}

}  // namespace vorlix
