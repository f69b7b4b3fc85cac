#pragma once
// Compressed MDEC frames as STR movies carry them: bitstream version 2 (DC as 10 bits) and
// version 3 (DC coded as a difference from the previous block's, by MPEG-1 size codes).

#include <cstdint>
#include <optional>
#include <vector>

namespace vorlix {

inline constexpr std::uint16_t kMdecMagic = 0x3800;

// The 8-byte frame header (word count, 3800, quantisation scale, version), the bitstream of
// DC-only blocks that make every pixel black, the end-of-frame marker, and zero padding to a
// multiple of 4 bytes. Width and height round up to whole 16 x 16 macroblocks, as decoders do.
// Version is 2 or 3; nothing is returned for any other, or when the word count would not fit
// its 16 bits.
std::optional<std::vector<std::uint8_t>> BlackMdecFrame(std::uint16_t width, std::uint16_t height,
                                                        std::uint16_t version);

// The version 2 frame, which always exists.
std::vector<std::uint8_t> BlackMdecFrame(std::uint16_t width, std::uint16_t height);

}  // namespace vorlix
