#include "image/sector_copy.h"

#include <algorithm>
#include <vector>

#include "base/failure.h"
#include "image/valid_sectors.h"
#include "sector/cd_sector.h"

namespace vorlix {

void CopySectors(SectorFile& from, std::int64_t from_first, SectorFile& to, std::int64_t to_first,
                 std::int64_t count, Shape shape) {
    if (count <= 0) return;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(count, kCopyBatchSectors)) *
                                     kRawSectorSize);
    for (std::int64_t k = 0; k < count; k += kCopyBatchSectors) {
        const std::int64_t n = std::min(kCopyBatchSectors, count - k);
        const std::span<std::uint8_t> batch(buffer.data(),
                                            static_cast<std::size_t>(n) * kRawSectorSize);
        from.ReadSectors(from_first + k, batch);
        if (shape == Shape::Valid)
            for (std::int64_t i = 0; i < n; ++i)
                ReaddressCopiedSector(
                    MutableSectorView(batch.data() + SectorOffset(i), kRawSectorSize),
                    to_first + k + i);
        to.WriteSectors(to_first + k, std::span<const std::uint8_t>(batch));
    }
}

void WriteRepeated(SectorFile& to, std::int64_t first, std::int64_t count,
                   const std::uint8_t* sector, Shape shape) {
    if (count <= 0) return;
    if (shape == Shape::Valid) {
        // Made valid once; its copies differ only in their address.
        RawSector valid;
        std::copy_n(sector, kRawSectorSize, valid.begin());
        MakeFillerValidAt(valid, first);
        std::vector<std::uint8_t> batch(
            static_cast<std::size_t>(std::min(count, kCopyBatchSectors)) * kRawSectorSize);
        for (std::int64_t k = 0; k < count; k += kCopyBatchSectors) {
            const std::int64_t n = std::min(kCopyBatchSectors, count - k);
            for (std::int64_t i = 0; i < n; ++i) {
                std::uint8_t* out = batch.data() + SectorOffset(i);
                std::copy(valid.begin(), valid.end(), out);
                ReaddressCopiedSector(MutableSectorView(out, kRawSectorSize), first + k + i);
            }
            to.WriteSectors(first + k,
                            std::span<const std::uint8_t>(
                                batch.data(), static_cast<std::size_t>(SectorOffset(n))));
        }
        return;
    }
    if (std::all_of(sector, sector + kRawSectorSize, [](std::uint8_t b) { return b == 0; })) {
        to.ZeroSectors(first, count);
        return;
    }
    const std::vector<const std::uint8_t*> run(
        static_cast<std::size_t>(std::min(count, kCopyBatchSectors)), sector);
    for (std::int64_t k = 0; k < count; k += kCopyBatchSectors) {
        const std::int64_t n = std::min(kCopyBatchSectors, count - k);
        to.WriteSectors(first + k, std::span(run.data(), static_cast<std::size_t>(n)));
    }
}

}  // namespace vorlix
