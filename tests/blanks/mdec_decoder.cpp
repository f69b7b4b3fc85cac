#include "mdec_decoder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vorlix::test {
namespace {

class BitReader {
  public:
    BitReader(std::span<const std::uint8_t> bytes, std::size_t start)
        : bytes_(bytes), pos_(start) {}
    std::uint32_t Get(int bits) {
        std::uint32_t v = 0;
        for (int i = 0; i < bits; ++i) {
            const std::size_t byte =
                pos_ / 16 * 2 + (pos_ % 16 < 8 ? 1 : 0);  // words little-endian
            if (byte >= bytes_.size()) throw std::runtime_error("bitstream ends early");
            v = (v << 1) | ((bytes_[byte] >> (7 - pos_ % 8)) & 1u);
            ++pos_;
        }
        return v;
    }
    bool RestIsZero() {
        while (pos_ < bytes_.size() * 8)
            if (Get(1) != 0) return false;
        return true;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_;  // in bits, counted from the first byte
};

int Signed10(std::uint32_t v) {
    return v & 0x200 ? static_cast<int>(v) - 0x400 : static_cast<int>(v);
}

int Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}

void Fill(std::span<int> plane, int plane_width, int plane_height, int x0, int y0, int value) {
    for (int y = y0; y < std::min(y0 + 8, plane_height); ++y)
        for (int x = x0; x < std::min(x0 + 8, plane_width); ++x) plane[y * plane_width + x] = value;
}

}  // namespace

DecodedFrame DecodeDcOnlyFrame(std::span<const std::uint8_t> frame, int width, int height) {
    if (frame.size() < 8 || Le16(frame, 0) == 0 || Le16(frame, 2) != 0x3800 || Le16(frame, 4) < 1 ||
        Le16(frame, 4) > 63 || Le16(frame, 6) != 2)
        throw std::runtime_error("not a version 2 frame header");
    const int columns = (width + 15) / 16, rows = (height + 15) / 16;
    const int cw = width / 2, ch = height / 2;
    DecodedFrame out{std::vector<int>(width * height, -1), std::vector<int>(2 * cw * ch, -1)};

    BitReader bits(frame, 8 * 8);
    for (int m = 0; m < columns * rows; ++m) {
        const int mx = m / rows, my = m % rows;  // column order
        for (int block = 0; block < 6; ++block) {
            const int dc = Signed10(bits.Get(10));
            if (dc == 511)
                throw std::runtime_error("end of frame in macroblock " + std::to_string(m));
            if (bits.Get(2) != 0b10)
                throw std::runtime_error("AC code in macroblock " + std::to_string(m));
            if (block < 2) {
                const std::span<int> plane(out.chroma.data() + block * cw * ch, cw * ch);
                Fill(plane, cw, ch, mx * 8, my * 8, dc / 4);
            } else {
                const int y = std::clamp(dc / 4 + 128, 0, 255);
                Fill(out.luma, width, height, mx * 16 + (block - 2) % 2 * 8,
                     my * 16 + (block - 2) / 2 * 8, y);
            }
        }
    }
    if (bits.Get(10) != 0x1FF) throw std::runtime_error("no end-of-frame marker");
    if (!bits.RestIsZero()) throw std::runtime_error("data after the end-of-frame marker");
    return out;
}

}  // namespace vorlix::test
