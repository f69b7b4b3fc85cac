#pragma once
// The bit order of an MDEC bitstream: bits go into 16-bit words from bit 15 down, and the words
// are stored little-endian.

#include <cstdint>
#include <utility>
#include <vector>

namespace vorlix {

class MdecBitWriter {
public:
    void Put(std::uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            word_ = static_cast<std::uint16_t>(word_ | (((value >> i) & 1u) << (15 - used_)));
            if (++used_ == 16) Flush();
        }
    }
    // Zero bits to the word boundary.
    std::vector<std::uint8_t> Finish() {
        if (used_ > 0) Flush();
        return std::move(bytes_);
    }

private:
    void Flush() {
        bytes_.push_back(static_cast<std::uint8_t>(word_ & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(word_ >> 8));
        word_ = 0;
        used_ = 0;
    }
    std::vector<std::uint8_t> bytes_;
    std::uint16_t word_ = 0;
    int used_ = 0;
};

}  // namespace vorlix
