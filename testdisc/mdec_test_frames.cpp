// MDEC bitstream version 2 frames for test movies: every block carries a DC value that makes
// coloured gradients moving from frame to frame, then enough AC codes to give the frame the size a
// real movie's frames have, so that frames span several sectors.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "sector/little_endian.h"
#include "sector/mdec_bits.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::test {
namespace {

constexpr int kDcBits = 10;
constexpr int kEndOfBlockBits = 2;  // "10"
constexpr std::uint32_t kEndOfFrame = 0x1FF;
constexpr int kBlockBaseBits = kDcBits + kEndOfBlockBits;
// Run 0, level +-1: "11" and the sign; escape: "000001", 6-bit run - 1, 10-bit level.
constexpr int kShortAcBits = 3;
constexpr int kEscapeBits = 6 + 6 + 10;
constexpr int kMaxAcCodes = 63;  // one per coefficient after the DC
constexpr int kHeaderBytes = 8;
constexpr std::uint16_t kQuantScale = 1;

std::uint32_t Mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// DC of one block: luma ramps across the picture and slides with the frame number; chroma is
// flat per macroblock row or column and cycles per frame. Never +511, the end-of-frame marker.
int BlockDc(int block, int mb_x, int mb_y, int frame) {
    if (block == 0) return (frame * 37 + mb_x * 8) % 400 - 200;  // Cr
    if (block == 1) return (frame * 23 + mb_y * 8) % 400 - 200;  // Cb
    const int x8 = mb_x * 2 + ((block - 2) & 1);
    const int y8 = mb_y * 2 + ((block - 2) >> 1);
    return (x8 * 6 + y8 * 4 + frame * 16) % 800 - 400;
}

}  // namespace

std::vector<std::uint8_t> EncodeTestFrameV2(const FrameRequest& request) {
    const int mb_width = (request.width + 15) / 16;
    const int mb_height = (request.height + 15) / 16;
    const std::int64_t blocks = static_cast<std::int64_t>(mb_width) * mb_height * 6;

    // Bits left for AC codes once every block has its DC and end of block, the end marker and the
    // header are in, with room for the padding to a multiple of 4 bytes.
    const std::int64_t room =
        (static_cast<std::int64_t>(request.target_bytes) - kHeaderBytes - 4) * 8 -
        blocks * kBlockBaseBits - kDcBits;
    const std::int64_t budget = std::max<std::int64_t>(room, 0);

    MdecBitWriter bits;
    std::int64_t codes = 0;
    std::int64_t block_index = 0;
    // Macroblocks in column order: top to bottom, then the next column.
    for (int mb_x = 0; mb_x < mb_width; ++mb_x) {
        for (int mb_y = 0; mb_y < mb_height; ++mb_y) {
            for (int block = 0; block < 6; ++block, ++block_index) {
                const int dc = BlockDc(block, mb_x, mb_y, request.frame_number);
                bits.Put(static_cast<std::uint32_t>(dc) & 0x3FF, kDcBits);
                // This block's share of the budget, spread evenly over all blocks.
                const std::int64_t share =
                    budget * (block_index + 1) / blocks - budget * block_index / blocks;
                int escapes = 0;
                if (share > kMaxAcCodes * kShortAcBits) {
                    const std::int64_t over = share - kMaxAcCodes * kShortAcBits;
                    escapes = static_cast<int>(std::min<std::int64_t>(
                        kMaxAcCodes,
                        (over + (kEscapeBits - kShortAcBits) - 1) / (kEscapeBits - kShortAcBits)));
                    // Never more bits than the share.
                    while (escapes > 0 && escapes * kEscapeBits > share) --escapes;
                }
                const int shorts = static_cast<int>(std::min<std::int64_t>(
                    kMaxAcCodes - escapes, (share - escapes * kEscapeBits) / kShortAcBits));
                const std::uint32_t seed =
                    Mix(static_cast<std::uint32_t>(request.frame_number) * 0x9E3779B9u ^
                        static_cast<std::uint32_t>(block_index));
                for (int i = 0; i < shorts; ++i) bits.Put(0b110u | ((seed >> (i % 32)) & 1u), 3);
                for (int i = 0; i < escapes; ++i) {
                    const std::uint32_t r = Mix(seed + static_cast<std::uint32_t>(i));
                    const int level = static_cast<int>(r % 3 + 1) * ((r & 0x100) ? -1 : 1);
                    bits.Put(0b000001, 6);
                    bits.Put(0, 6);  // run 0: the next coefficient
                    bits.Put(static_cast<std::uint32_t>(level) & 0x3FF, 10);
                }
                bits.Put(0b10, kEndOfBlockBits);
                codes += 2 + shorts + escapes;
            }
        }
    }
    bits.Put(kEndOfFrame, kDcBits);
    const std::vector<std::uint8_t> stream = bits.Finish();

    // Half the decoded codes, rounded up to the 32-word blocks the MDEC is fed in.
    const std::int64_t word_count =
        std::min<std::int64_t>(((codes + 1) / 2 + 31) / 32 * 32, 0xFFE0);

    std::vector<std::uint8_t> frame;
    frame.reserve(stream.size() + kHeaderBytes + 4);
    AppendLe16(frame, static_cast<std::uint16_t>(word_count));
    AppendLe16(frame, 0x3800);
    AppendLe16(frame, kQuantScale);
    AppendLe16(frame, 2);
    frame.insert(frame.end(), stream.begin(), stream.end());
    frame.resize((frame.size() + 3) / 4 * 4, 0);
    return frame;
}

}  // namespace vorlix::test
