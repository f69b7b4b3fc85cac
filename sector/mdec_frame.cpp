#include "sector/mdec_frame.h"
#include "sector/little_endian.h"
#include "sector/mdec_bits.h"

namespace vorlix {
namespace {

struct Code {
    std::uint32_t bits;
    int length;
};

constexpr int kDcBits = 10;
constexpr Code kEndOfBlock = {0b10, 2};
// Version 2: DC +511 is reserved for this marker.
constexpr Code kEndOfFrameV2 = {0x1FF, kDcBits};
// Version 3: nine ones form no chroma DC size code, so a decoder that reads on past the last
// macroblock stops here.
constexpr Code kEndOfFrameV3 = {0x3FE, kDcBits};

// Pixel = DC / 4, plus 128 for luma: luma DC -512 is black, chroma DC 0 adds no colour.
constexpr int kBlackLumaDc = -512;

// Version 3 codes each DC as a difference from the previous block of the same kind (luma, Cb,
// Cr), in units of 4, starting from 0 at the top of the frame: the first luma block steps down by
// -128 and every later block repeats its predecessor. MPEG-1 DC size codes: luma size 0 is 100
// and size 8 is 1111110; chroma size 0 is 00. A difference of size s follows in s bits, a
// negative one as d + 2^s - 1.
constexpr Code kLumaSizeZero = {0b100, 3};
constexpr Code kLumaSizeEight = {0b1111110, 7};
constexpr Code kChromaSizeZero = {0b00, 2};
constexpr int kFirstLumaStep = kBlackLumaDc / 4;  // -128, of size 8
constexpr Code kFirstLumaDifference = {static_cast<std::uint32_t>(kFirstLumaStep + 255), 8};

// Scale 63 with DC -512 would form the hardware's padding code and 0 is a special mode.
constexpr std::uint16_t kQuantScale = 1;

constexpr int kBlocksPerMacroblock = 6;  // Cr, Cb, then the four luma blocks
constexpr int kCodesPerBlock = 2;        // DC and end of block

void Put(MdecBitWriter& bits, Code code) {
    bits.Put(code.bits, code.length);
}

// Every macroblock is the same (but for the first luma step of version 3), so their column order
// needs no care here.
void PutMacroblocksV2(MdecBitWriter& bits, long macroblocks) {
    const std::uint32_t black = static_cast<std::uint32_t>(kBlackLumaDc) & ((1u << kDcBits) - 1);
    for (long m = 0; m < macroblocks; ++m) {
        for (int b = 0; b < kBlocksPerMacroblock; ++b) {
            bits.Put(b < 2 ? 0 : black, kDcBits);
            Put(bits, kEndOfBlock);
        }
    }
    Put(bits, kEndOfFrameV2);
}

void PutMacroblocksV3(MdecBitWriter& bits, long macroblocks) {
    for (long m = 0; m < macroblocks; ++m) {
        for (int b = 0; b < kBlocksPerMacroblock; ++b) {
            if (b < 2) {
                Put(bits, kChromaSizeZero);
            } else if (m == 0 && b == 2) {
                Put(bits, kLumaSizeEight);
                Put(bits, kFirstLumaDifference);
            } else {
                Put(bits, kLumaSizeZero);
            }
            Put(bits, kEndOfBlock);
        }
    }
    Put(bits, kEndOfFrameV3);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BlackMdecFrame(std::uint16_t width, std::uint16_t height,
                                                        std::uint16_t version) {
    if (version != 2 && version != 3) return std::nullopt;
    const long macroblocks = static_cast<long>((width + 15) / 16) * ((height + 15) / 16);
    // Half the decoded codes, rounded up to the 32-word blocks the MDEC is fed in.
    const long codes = macroblocks * kBlocksPerMacroblock * kCodesPerBlock;
    const long word_count = ((codes + 1) / 2 + 31) / 32 * 32;
    if (word_count > 0xFFFF) return std::nullopt;

    MdecBitWriter bits;
    if (version == 2)
        PutMacroblocksV2(bits, macroblocks);
    else
        PutMacroblocksV3(bits, macroblocks);
    const std::vector<std::uint8_t> stream = bits.Finish();

    std::vector<std::uint8_t> frame;
    AppendLe16(frame, static_cast<std::uint16_t>(word_count));
    AppendLe16(frame, kMdecMagic);
    AppendLe16(frame, kQuantScale);
    AppendLe16(frame, version);
    frame.insert(frame.end(), stream.begin(), stream.end());
    frame.resize((frame.size() + 3) / 4 * 4, 0);
    return frame;
}

std::vector<std::uint8_t> BlackMdecFrame(std::uint16_t width, std::uint16_t height) {
    return *BlackMdecFrame(width, height, 2);
}

}  // namespace vorlix
