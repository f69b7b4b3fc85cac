#include "sector/str_sector.h"

#include <algorithm>

#include "sector/little_endian.h"

namespace vorlix {

void WriteStrSectorHeader(std::uint8_t* user_data, const StrSectorHeader& header) {
    WriteLe32(user_data, kStrMagic);
    WriteLe16(user_data + kStrChunk, header.chunk);
    WriteLe16(user_data + kStrChunks, header.chunks);
    WriteLe32(user_data + kStrFrameNumber, header.frame_number);
    WriteLe32(user_data + kStrFrameSize, header.frame_size);
    WriteLe16(user_data + kStrWidth, header.width);
    WriteLe16(user_data + kStrHeight, header.height);
    std::ranges::copy(header.bitstream_header, user_data + kStrBitstreamHeader);
    WriteLe32(user_data + kStrReserved, 0);
}

}  // namespace vorlix
