#include <algorithm>

#include "blanks/blank_files.h"
#include "image/cd_sector.h"
#include "image/mdec_frame.h"

namespace vorlix {
namespace {

constexpr std::uint16_t kStrMagicLow = 0x0160;
constexpr std::uint16_t kStrMagicHigh = 0x8001;
constexpr std::uint8_t kMovieFile = 1;
constexpr std::uint8_t kMovieChannel = 1;
constexpr std::uint8_t kMovieSubmode = kSubmodeRealTime | kSubmodeData;
constexpr std::uint8_t kLastSectorSubmode = kMovieSubmode | kSubmodeEndOfRecord | kSubmodeEndOfFile;

// A last frame of one sector is one some players mishandle.
static_assert(kBlankStrSectors % kBlankStrSectorsPerFrame != 1);

void PutLe(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

ByteVector MakeBlankStr() {
    const std::vector<std::uint8_t> frame = BlackMdecFrame(kBlankStrWidth, kBlankStrHeight);

    ByteVector file(kBlankStrSectors * kRawSectorSize, 0);
    for (std::size_t s = 0; s < kBlankStrSectors; ++s) {
        const MutableSectorView sector(file.data() + s * kRawSectorSize, kRawSectorSize);
        const std::size_t frame_index = s / kBlankStrSectorsPerFrame;
        const std::size_t chunk = s % kBlankStrSectorsPerFrame;
        const std::size_t chunks = std::min(
            kBlankStrSectorsPerFrame, kBlankStrSectors - frame_index * kBlankStrSectorsPerFrame);
        const bool last = s + 1 == kBlankStrSectors;

        WriteMode2Header(sector, static_cast<std::int64_t>(s),
                         {kMovieFile, kMovieChannel, last ? kLastSectorSubmode : kMovieSubmode, 0});

        std::uint8_t* h = sector.data() + kUserDataOffset;
        PutLe(h + 0x00, kStrMagicLow, 2);
        PutLe(h + 0x02, kStrMagicHigh, 2);
        PutLe(h + 0x04, static_cast<std::uint32_t>(chunk), 2);
        PutLe(h + 0x06, static_cast<std::uint32_t>(chunks), 2);
        PutLe(h + 0x08, static_cast<std::uint32_t>(frame_index + 1), 4);
        PutLe(h + 0x0C, static_cast<std::uint32_t>(frame.size()), 4);
        PutLe(h + 0x10, kBlankStrWidth, 2);
        PutLe(h + 0x12, kBlankStrHeight, 2);
        std::copy_n(frame.begin(), 8, h + 0x14);
        // h + 0x1C stays zero, as decoders require.

        const std::size_t from = chunk * kStrChunkSize;
        if (from < frame.size()) {
            const std::size_t n = std::min(kStrChunkSize, frame.size() - from);
            std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(from), n, h + kStrHeaderSize);
        }
        SealForm1(sector);
    }
    return file;
}

}  // namespace vorlix
