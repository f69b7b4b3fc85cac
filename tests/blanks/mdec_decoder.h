#pragma once
// A small MDEC version 2 frame decoder for blocks without AC coefficients, which is all a blank
// frame should hold: anything else is reported as an error rather than guessed at.

#include <cstdint>
#include <span>
#include <vector>

namespace vorlix::test {

struct DecodedFrame {
    std::vector<int> luma;    // width x height, 0..255
    std::vector<int> chroma;  // Cr then Cb planes of (width / 2) x (height / 2), signed, 0 = none
};

// `frame` holds the 8-byte frame header and the bitstream. Throws std::runtime_error on anything
// malformed or beyond DC-only blocks.
DecodedFrame DecodeDcOnlyFrame(std::span<const std::uint8_t> frame, int width, int height);

}  // namespace vorlix::test
