#include "image/cd_sector.h"

#include <gtest/gtest.h>

#include <string_view>

#include "image/failure.h"
#include "md5.h"

namespace vorlix {
namespace {

std::span<const std::uint8_t> AsBytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::array<std::uint8_t, 4> At(const RawSector& s, std::size_t offset) {
    return {s[offset], s[offset + 1], s[offset + 2], s[offset + 3]};
}

RawSector Form1Sector(bool counting_data) {
    RawSector s{};
    WriteMode2Header(s, 0, {0, 0, kSubmodeData, 0});
    if (counting_data)
        for (std::size_t i = 0; i < kForm1DataSize; ++i)
            s[kUserDataOffset + i] = static_cast<std::uint8_t>(i & 0xFF);
    SealForm1(s);
    return s;
}

using Four = std::array<std::uint8_t, 4>;

TEST(CdSector, EdcAndForm1SectorsMatchKnownAnswers) {
    EXPECT_EQ(Edc(AsBytes("123456789")), 0x6EC2EDC4u);

    const RawSector zero = Form1Sector(false);
    EXPECT_EQ(At(zero, 0x00C), (Four{0x00, 0x02, 0x00, 0x02}));
    EXPECT_EQ(At(zero, kForm1EdcOffset), (Four{0x0B, 0x88, 0x81, 0x94}));
    EXPECT_EQ(test::Md5Hex(zero), "d3519e4abafbf30384ecc0a1be63310d");

    const RawSector counting = Form1Sector(true);
    EXPECT_EQ(At(counting, kForm1EdcOffset), (Four{0xE9, 0x0C, 0xD0, 0x59}));
    EXPECT_EQ(At(counting, kPParityOffset), (Four{0x59, 0xFF, 0x7F, 0xD9}));
    EXPECT_EQ(At(counting, kRawSectorSize - 4), (Four{0x61, 0x61, 0xD3, 0x87}));
    EXPECT_EQ(test::Md5Hex(counting), "b97b660dce51458033ff4767ead46007");
}

TEST(CdSector, Form2EdcMatchesKnownAnswersForSilentAudio) {
    // Silent XA data: every sound group begins with 16 parameter bytes 0C.
    for (auto [submode, edc] : {std::pair{0x64, Four{0xA2, 0xF1, 0xA6, 0x1B}},
                                std::pair{0xE4, Four{0x5B, 0xBD, 0x63, 0x31}},
                                std::pair{0xE5, Four{0xC3, 0xC5, 0x17, 0xD7}}}) {
        RawSector s{};
        WriteMode2Header(s, 0, {1, 0, static_cast<std::uint8_t>(submode), kCodingStereo});
        for (std::size_t g = 0; g < 18; ++g)
            for (std::size_t i = 0; i < 16; ++i) s[kUserDataOffset + 128 * g + i] = 0x0C;
        SealForm2(s);
        EXPECT_EQ(At(s, kForm2EdcOffset), edc) << "submode " << submode;
        EXPECT_TRUE(CheckSector(s, 0).ok());
        s[kUserDataOffset + 5] ^= 1;
        EXPECT_FALSE(CheckSector(s, 0).edc);
        std::ranges::fill(s.begin() + kForm2EdcOffset, s.end(), 0);  // EDC 0: none
        EXPECT_TRUE(CheckSector(s, 0).ok());
    }
}

TEST(CdSector, BcdAddressCountsFromTwoSeconds) {
    using Msf = std::array<std::uint8_t, 3>;
    EXPECT_EQ(BcdAddress(0), (Msf{0x00, 0x02, 0x00}));
    EXPECT_EQ(BcdAddress(75), (Msf{0x00, 0x03, 0x00}));
    EXPECT_EQ(BcdAddress(4349), (Msf{0x00, 0x59, 0x74}));
    EXPECT_EQ(BcdAddress(4350), (Msf{0x01, 0x00, 0x00}));
    EXPECT_EQ(BcdAddress(-150), (Msf{0x00, 0x00, 0x00}));
    EXPECT_EQ(BcdAddress(449849), (Msf{0x99, 0x59, 0x74}));
    EXPECT_THROW(BcdAddress(449850), Failure);
    EXPECT_THROW(BcdAddress(-151), Failure);
}

TEST(CdSector, CheckerFindsEveryFlippedBitOfAForm1Sector) {
    const RawSector good = Form1Sector(true);
    ASSERT_TRUE(CheckSector(good, 0).ok());
    int missed = 0;
    for (std::size_t byte = 0; byte < kRawSectorSize; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            RawSector bad = good;
            bad[byte] ^= static_cast<std::uint8_t>(1 << bit);
            if (CheckSector(bad, 0).ok()) ++missed;
        }
    }
    EXPECT_EQ(missed, 0);

    // A data error shows in the EDC and in both parities.
    RawSector bad = good;
    bad[kUserDataOffset + 100] ^= 0x10;
    const SectorCheck check = CheckSector(bad, 0);
    EXPECT_FALSE(check.edc);
    EXPECT_FALSE(check.p_parity);
    EXPECT_FALSE(check.q_parity);
    EXPECT_TRUE(check.sync && check.address && check.mode && check.sub_header);
}

TEST(CdSector, Mode2SectorStaysValidAtAnotherAddress) {
    // Neither EDC nor ECC covers the address in Mode 2: moving a sector only rewrites 00C-00E.
    RawSector s = Form1Sector(true);
    EXPECT_FALSE(CheckSector(s, 1234).address);
    std::ranges::copy(BcdAddress(1234), s.begin() + kAddressOffset);
    EXPECT_TRUE(CheckSector(s, 1234).ok());
}

}  // namespace
}  // namespace vorlix
