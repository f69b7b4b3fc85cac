#pragma once
// The STR video sector: the 32-byte header at the start of a Form 1 sector's user data, then
// 2016 bytes of the frame. Offsets are into the user data; fields are little-endian.

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

// The little-endian field of `bytes` bytes (at most 4) at `at`.
inline std::uint32_t ReadLe(const std::uint8_t* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

}  // namespace vorlix
