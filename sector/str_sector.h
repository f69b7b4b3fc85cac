#pragma once
// The STR video sector: the 32-byte header at the start of a Form 1 sector's user data, then
// 2016 bytes of the frame. Offsets are into the user data; fields are little-endian.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlix {

inline constexpr std::uint32_t kStrMagic = 0x80010160;    // the u16s 0160, then 8001
inline constexpr std::size_t kStrChunk = 0x04;            // u16: chunk index within the frame
inline constexpr std::size_t kStrChunks = 0x06;           // u16: sectors in this frame
inline constexpr std::size_t kStrFrameNumber = 0x08;      // u32: from 1, +1 per frame
inline constexpr std::size_t kStrFrameSize = 0x0C;        // u32: bytes of the assembled frame
inline constexpr std::size_t kStrWidth = 0x10;            // u16
inline constexpr std::size_t kStrHeight = 0x12;           // u16
inline constexpr std::size_t kStrBitstreamHeader = 0x14;  // copy of the frame's first 8 bytes
inline constexpr std::size_t kStrReserved = 0x1C;         // u32: must be 0
inline constexpr std::size_t kStrHeaderSize = 0x20;
inline constexpr std::size_t kStrChunkSize = 2016;

// What one sector's header says.
struct StrSectorHeader {
    std::uint16_t chunk = 0;
    std::uint16_t chunks = 0;
    std::uint32_t frame_number = 0;
    std::uint32_t frame_size = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::array<std::uint8_t, 8> bitstream_header{};
};

// Writes all kStrHeaderSize bytes at `user_data`: the magic, `header`, and the reserved word as 0,
// as decoders require.
void WriteStrSectorHeader(std::uint8_t* user_data, const StrSectorHeader& header);

}  // namespace vorlix
