#pragma once
// Compressed MDEC frames (bitstream version 2) as STR movies carry them.

#include <cstdint>
#include <vector>

namespace vorlix {

// The 8-byte frame header (word count, 3800, quantisation scale, version), the bitstream of
// DC-only blocks that make every pixel black, the end-of-frame marker, and zero padding to a
// multiple of 4 bytes.
std::vector<std::uint8_t> BlackMdecFrame(std::uint16_t width, std::uint16_t height);

}  // namespace vorlix
