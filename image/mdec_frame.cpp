#include "image/mdec_frame.h"

namespace vorlix {
namespace {

// Bits go into 16-bit words from bit 15 down; the words are stored little-endian.
class BitWriter {
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

constexpr int kDcBits = 10;
constexpr std::uint32_t kEndOfBlock = 0b10;
constexpr int kEndOfBlockBits = 2;
// DC +511 is reserved for this marker.
constexpr std::uint32_t kEndOfFrame = 0x1FF;

// Pixel = DC / 4, plus 128 for luma: luma DC -512 is black, chroma DC 0 adds no colour.
constexpr int kBlackLumaDc = -512;
constexpr int kNeutralChromaDc = 0;

// Scale 63 with DC -512 would form the hardware's padding code and 0 is a special mode.
constexpr std::uint16_t kQuantScale = 1;
constexpr std::uint16_t kMagic = 0x3800;
constexpr std::uint16_t kVersion = 2;

// Cr, Cb, then the four luma blocks.
constexpr int kBlockDc[6] = {kNeutralChromaDc, kNeutralChromaDc, kBlackLumaDc,
                             kBlackLumaDc,     kBlackLumaDc,     kBlackLumaDc};
constexpr int kCodesPerBlock = 2;  // DC and end of block

void PutLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

}  // namespace

std::vector<std::uint8_t> BlackMdecFrame(std::uint16_t width, std::uint16_t height) {
    const int macroblocks = ((width + 15) / 16) * ((height + 15) / 16);

    // Every macroblock is the same, so their column order needs no care here.
    BitWriter bits;
    for (int m = 0; m < macroblocks; ++m) {
        for (int dc : kBlockDc) {
            bits.Put(static_cast<std::uint32_t>(dc) & ((1u << kDcBits) - 1), kDcBits);
            bits.Put(kEndOfBlock, kEndOfBlockBits);
        }
    }
    bits.Put(kEndOfFrame, kDcBits);
    const std::vector<std::uint8_t> stream = bits.Finish();

    // Half the decoded codes, rounded up to the 32-word blocks the MDEC is fed in.
    const int codes = macroblocks * 6 * kCodesPerBlock;
    const int word_count = ((codes + 1) / 2 + 31) / 32 * 32;

    std::vector<std::uint8_t> frame;
    PutLe16(frame, static_cast<std::uint16_t>(word_count));
    PutLe16(frame, kMagic);
    PutLe16(frame, kQuantScale);
    PutLe16(frame, kVersion);
    frame.insert(frame.end(), stream.begin(), stream.end());
    frame.resize((frame.size() + 3) / 4 * 4, 0);
    return frame;
}

}  // namespace vorlix
