#include "blanks/blank_files.h"

#include <gtest/gtest.h>

#include "blanks/mdec_frame.h"
#include "image/cd_sector.h"
#include "mdec_decoder.h"

namespace vorlix {
namespace {

SectorView SectorOf(const ByteVector& file, std::size_t index) {
    return SectorView(file.data() + index * kRawSectorSize, kRawSectorSize);
}

std::uint32_t Le(SectorView s, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | s[at + i];
    return v;
}

TEST(BlankFiles, BlackFrameMatchesKnownBytes) {
    const std::vector<std::uint8_t> f = BlackMdecFrame(320, 240);
    ASSERT_EQ(f.size(), 2712u);
    const std::vector<std::uint8_t> head = {0x20, 0x07, 0x00, 0x38, 0x01, 0x00, 0x02, 0x00, 0x20,
                                            0x00, 0x80, 0x02, 0x02, 0x28, 0x28, 0x80, 0x00, 0x02,
                                            0x02, 0x20, 0x28, 0x80, 0x80, 0x02, 0x02, 0x28};
    const std::vector<std::uint8_t> tail = {0x02, 0x28, 0xC0, 0x7F, 0x00, 0x00};
    EXPECT_TRUE(std::equal(head.begin(), head.end(), f.begin()));
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), f.end() - 6));
}

TEST(BlankFiles, EverySectorOfBothFilesPassesTheChecker) {
    const ByteVector str = MakeBlankStr();
    ASSERT_EQ(str.size(), 950208u);
    for (std::size_t s = 0; s < kBlankStrSectors; ++s)
        EXPECT_TRUE(CheckSector(SectorOf(str, s), static_cast<std::int64_t>(s)).ok()) << s;
    const ByteVector xa = MakeBlankXa();
    ASSERT_EQ(xa.size(), 2352u);
    EXPECT_TRUE(CheckSector(SectorOf(xa, 0), 0).ok());
}

TEST(BlankFiles, MovieFramesAreConsistentAndDecodeToBlack) {
    const ByteVector str = MakeBlankStr();
    std::vector<std::size_t> frame_sizes;  // sectors per frame, in order
    std::vector<std::uint8_t> frame;
    for (std::size_t i = 0; i < kBlankStrSectors; ++i) {
        const SectorView s = SectorOf(str, i);
        const bool last = i + 1 == kBlankStrSectors;
        EXPECT_EQ(ReadSubHeader(s), (SubHeader{1, 1, std::uint8_t(last ? 0xC9 : 0x48), 0})) << i;

        const std::size_t u = kUserDataOffset;
        const std::uint32_t chunk = Le(s, u + 4, 2), chunks = Le(s, u + 6, 2);
        const std::uint32_t number = Le(s, u + 8, 4), length = Le(s, u + 0xC, 4);
        ASSERT_EQ(Le(s, u, 4), 0x80010160u) << i;
        if (chunk == 0) {
            frame_sizes.push_back(chunks);
            frame.clear();
        }
        ASSERT_EQ(number, frame_sizes.size()) << i;  // from 1, +1 per frame
        ASSERT_EQ(chunks, frame_sizes.back()) << i;
        ASSERT_LT(chunk, chunks) << i;
        ASSERT_EQ(chunk * kStrChunkSize, frame.size()) << i;  // no chunk missing or repeated
        EXPECT_EQ(length % 4, 0u);
        EXPECT_LE(length, chunks * kStrChunkSize);
        EXPECT_EQ(Le(s, u + 0x10, 2), 320u);
        EXPECT_EQ(Le(s, u + 0x12, 2), 240u);
        EXPECT_EQ(Le(s, u + 0x1C, 4), 0u);
        frame.insert(frame.end(), s.begin() + u + kStrHeaderSize,
                     s.begin() + u + kStrHeaderSize + kStrChunkSize);

        if (chunk + 1 == chunks) {
            frame.resize(length);
            EXPECT_TRUE(std::equal(frame.begin(), frame.begin() + 8, s.begin() + u + 0x14));
            const test::DecodedFrame d = test::DecodeDcOnlyFrame(frame, 320, 240);
            EXPECT_TRUE(std::all_of(d.luma.begin(), d.luma.end(), [](int y) { return y == 0; }));
            EXPECT_TRUE(
                std::all_of(d.chroma.begin(), d.chroma.end(), [](int c) { return c == 0; }));
        }
    }
    std::vector<std::size_t> expected(40, 10);
    expected.push_back(4);
    EXPECT_EQ(frame_sizes, expected);
}

TEST(BlankFiles, XaSectorIsSilentStereoAudio) {
    const ByteVector xa = MakeBlankXa();
    const SectorView s = SectorOf(xa, 0);
    EXPECT_EQ(ReadSubHeader(s), (SubHeader{1, 0, 0x64, 0x01}));
    for (std::size_t i = kUserDataOffset; i < kForm2EdcOffset; ++i) {
        const std::size_t in_group = (i - kUserDataOffset) % 128;
        const bool parameter = i < kUserDataOffset + 18 * 128 && in_group < 16;
        ASSERT_EQ(s[i], parameter ? 0x0C : 0x00) << i;
    }
    EXPECT_EQ(Le(s, kForm2EdcOffset, 4), 0x1BA6F1A2u);  // known answer A2 F1 A6 1B
}

TEST(BlankFiles, DecoderRejectsWhatIsNotABlackFrame) {
    std::vector<std::uint8_t> f = BlackMdecFrame(320, 240);
    EXPECT_NO_THROW(test::DecodeDcOnlyFrame(f, 320, 240));
    std::vector<std::uint8_t> ac = f;
    ac[8] |= 0x10;  // the first block's end-of-block code 10 becomes 11, an AC code
    EXPECT_THROW(test::DecodeDcOnlyFrame(ac, 320, 240), std::runtime_error);
    std::vector<std::uint8_t> cut(f.begin(), f.end() - 8);
    EXPECT_THROW(test::DecodeDcOnlyFrame(cut, 320, 240), std::runtime_error);
    std::vector<std::uint8_t> grey = f;
    grey[10] = 0x00;  // the first luma DC, from -512 to 0
    const test::DecodedFrame d = test::DecodeDcOnlyFrame(grey, 320, 240);
    EXPECT_EQ(d.luma[0], 128);
}

}  // namespace
}  // namespace vorlix
