#include "blanks/blank_files.h"

#include <gtest/gtest.h>

#include "sector/cd_sector.h"
#include "sector/mdec_frame.h"
#include "support/md5.h"

namespace vorlix {
namespace {

SectorView SectorOf(const ByteVector& file, std::size_t index) {
    return SectorView(file.data() + index * kRawSectorSize, kRawSectorSize);
}

// Read apart from sector/little_endian.h: a second opinion on the STR header writer.
std::uint32_t Le(SectorView s, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | s[at + i];
    return v;
}

// Luma DC -512 and chroma DC 0 in all 300 macroblocks, then the end-of-frame marker. The MD5 was
// taken when a DC-only decoder showed this frame all black; ffmpeg checks the same below.
TEST(BlankFiles, BlackFrameMatchesKnownBytes) {
    const std::vector<std::uint8_t> f = BlackMdecFrame(320, 240);
    const std::vector<std::uint8_t> head = {0x20, 0x07, 0x00, 0x38, 0x01, 0x00, 0x02, 0x00, 0x20,
                                            0x00, 0x80, 0x02, 0x02, 0x28, 0x28, 0x80, 0x00, 0x02,
                                            0x02, 0x20, 0x28, 0x80, 0x80, 0x02, 0x02, 0x28};
    const std::vector<std::uint8_t> tail = {0x02, 0x28, 0xC0, 0x7F, 0x00, 0x00};
    ASSERT_EQ(f.size(), 2712u);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), f.begin()));
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), f.end() - 6));
    EXPECT_EQ(test::Md5Hex(f), "c0243477858a60dda6eb7b395ebc5ea7");
}

TEST(BlankFiles, EverySectorOfBothFilesPassesTheChecker) {
    const ByteVector str = MakeBlankStr(), xa = MakeBlankXa();
    ASSERT_EQ(str.size(), kBlankStrSectors * kRawSectorSize);
    for (std::size_t s = 0; s < kBlankStrSectors; ++s)
        EXPECT_TRUE(CheckSector(SectorOf(str, s), static_cast<std::int64_t>(s)).ok()) << s;
    ASSERT_EQ(xa.size(), kRawSectorSize);
    EXPECT_TRUE(CheckSector(SectorOf(xa, 0), 0).ok());
    // The EDC covers sub-header and data: the known answer for silent stereo XA, submode 64.
    EXPECT_EQ(Le(SectorOf(xa, 0), kForm2EdcOffset, 4), 0x1BA6F1A2u);
}

TEST(BlankFiles, MovieFramesAreConsistentAndBlack) {
    const ByteVector str = MakeBlankStr();
    const std::vector<std::uint8_t> black = BlackMdecFrame(320, 240);
    std::vector<std::uint32_t> frame_sizes;  // sectors per frame, in order
    std::vector<std::uint8_t> frame;
    for (std::size_t i = 0; i < kBlankStrSectors; ++i) {
        const SectorView s = SectorOf(str, i);
        const bool last = i + 1 == kBlankStrSectors;
        EXPECT_EQ(ReadSubHeader(s), (SubHeader{1, 1, std::uint8_t(last ? 0xC9 : 0x48), 0})) << i;

        const std::size_t u = kUserDataOffset;
        const std::uint32_t chunk = Le(s, u + 4, 2), chunks = Le(s, u + 6, 2);
        ASSERT_EQ(Le(s, u, 4), 0x80010160u) << i;
        if (chunk == 0) {
            frame_sizes.push_back(chunks);
            frame.clear();
        }
        ASSERT_EQ(Le(s, u + 8, 4), frame_sizes.size()) << i;  // from 1, +1 per frame
        ASSERT_EQ(chunks, frame_sizes.back()) << i;
        ASSERT_LT(chunk, chunks) << i;
        ASSERT_EQ(chunk * kStrChunkSize, frame.size()) << i;  // no chunk missing or repeated
        const std::uint32_t length = Le(s, u + 0xC, 4);
        ASSERT_LE(length, chunks * kStrChunkSize) << i;
        EXPECT_EQ(Le(s, u + 0x10, 4), 240u << 16 | 320u) << i;
        EXPECT_TRUE(std::equal(black.begin(), black.begin() + 8, s.begin() + u + 0x14)) << i;
        EXPECT_EQ(Le(s, u + 0x1C, 4), 0u) << i;
        frame.insert(frame.end(), s.begin() + u + kStrHeaderSize,
                     s.begin() + u + kStrHeaderSize + kStrChunkSize);
        if (chunk + 1 == chunks) {
            frame.resize(length);
            EXPECT_EQ(frame, black) << i;
        }
    }
    std::vector<std::uint32_t> expected(40, 10);
    expected.push_back(4);
    EXPECT_EQ(frame_sizes, expected);
}

}  // namespace
}  // namespace vorlix
