#include "image/sector_copy.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "image/failure.h"

namespace vorlix {

void CopySectors(SectorFile& from, std::int64_t from_first, SectorFile& to, std::int64_t to_first,
                 std::int64_t count) {
    if (count <= 0) return;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(count, kCopyBatchSectors)) *
                                     kRawSectorSize);
    for (std::int64_t k = 0; k < count; k += kCopyBatchSectors) {
        const std::int64_t n = std::min(kCopyBatchSectors, count - k);
        const std::span<std::uint8_t> batch(buffer.data(),
                                            static_cast<std::size_t>(n) * kRawSectorSize);
        from.ReadSectors(from_first + k, batch);
        to.WriteSectors(to_first + k, std::span<const std::uint8_t>(batch));
    }
}

void WriteRepeated(SectorFile& to, std::int64_t first, std::int64_t count,
                   const std::uint8_t* sector) {
    if (count <= 0) return;
    const std::vector<const std::uint8_t*> run(
        static_cast<std::size_t>(std::min(count, kCopyBatchSectors)), sector);
    for (std::int64_t k = 0; k < count; k += kCopyBatchSectors) {
        const std::int64_t n = std::min(kCopyBatchSectors, count - k);
        to.WriteSectors(first + k, std::span(run.data(), static_cast<std::size_t>(n)));
    }
}

void RefuseSameFile(const std::filesystem::path& image, const std::filesystem::path& other,
                    const char* role) {
    std::error_code ec;
    if (std::filesystem::equivalent(image, other, ec))
        throw Failure("Cannot use " + DisplayPath(other) + " as the " + role +
                      ": it is the image itself; nothing was written.");
}

}  // namespace vorlix
