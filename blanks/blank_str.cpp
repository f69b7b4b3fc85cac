#include <algorithm>

#include "blanks/blank_files.h"
#include "sector/cd_sector.h"
#include "sector/mdec_frame.h"

namespace vorlix {
namespace {

constexpr std::uint8_t kMovieFile = 1;
constexpr std::uint8_t kMovieChannel = 1;
constexpr std::uint8_t kMovieSubmode = kSubmodeRealTime | kSubmodeData;
constexpr std::uint8_t kLastSectorSubmode = kMovieSubmode | kSubmodeEndOfRecord | kSubmodeEndOfFile;

// A last frame of one sector is one some players mishandle.
static_assert(kBlankStrSectors % kBlankStrSectorsPerFrame != 1);

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
        StrSectorHeader header{static_cast<std::uint16_t>(chunk),
                               static_cast<std::uint16_t>(chunks),
                               static_cast<std::uint32_t>(frame_index + 1),
                               static_cast<std::uint32_t>(frame.size()),
                               kBlankStrWidth,
                               kBlankStrHeight,
                               {}};
        std::copy_n(frame.begin(), header.bitstream_header.size(), header.bitstream_header.begin());
        WriteStrSectorHeader(h, header);

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
