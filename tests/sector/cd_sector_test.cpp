#include "sector/cd_sector.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string_view>

#include "sector/ecc.h"
#include "sector/edc.h"
#include "sector/sector_arithmetic.h"
#include "support/md5.h"

namespace vorlix {
namespace {

using Four = std::array<std::uint8_t, 4>;

Four At(const RawSector& s, std::size_t offset) {
    return {s[offset], s[offset + 1], s[offset + 2], s[offset + 3]};
}

// Sector 0, sub-header 00 00 08 00, data all zero or byte i = i & FF.
RawSector Form1Sector(bool counting_data) {
    RawSector s{};
    WriteMode2Header(s, 0, {0, 0, kSubmodeData, 0});
    for (std::size_t i = 0; counting_data && i < kForm1DataSize; ++i)
        s[kUserDataOffset + i] = static_cast<std::uint8_t>(i);
    SealForm1(s);
    return s;
}

// Every sector test runs with both implementations of the EDC and ECC arithmetic.
class CdSector : public ::testing::TestWithParam<SectorArithmetic> {
protected:
    void SetUp() override {
        if (GetParam() == SectorArithmetic::Fast && !FastSectorArithmeticAvailable())
            GTEST_SKIP() << "this processor lacks the instructions of the fast arithmetic";
        before_ = UseSectorArithmetic(GetParam());
    }
    void TearDown() override { UseSectorArithmetic(before_); }
    SectorArithmetic before_ = SectorArithmetic::Portable;
};
INSTANTIATE_TEST_SUITE_P(Arithmetic, CdSector,
                         ::testing::Values(SectorArithmetic::Portable, SectorArithmetic::Fast),
                         [](const auto& info) {
                             return info.param == SectorArithmetic::Fast ? "Fast" : "Portable";
                         });

TEST_P(CdSector, EdcForm1SectorsAndAddressesMatchKnownAnswers) {
    const std::string_view check = "123456789";
    EXPECT_EQ(Edc({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}),
              0x6EC2EDC4u);

    const RawSector zero = Form1Sector(false), counting = Form1Sector(true);
    EXPECT_EQ(At(zero, kForm1EdcOffset), (Four{0x0B, 0x88, 0x81, 0x94}));
    EXPECT_EQ(test::Md5Hex(zero), "d3519e4abafbf30384ecc0a1be63310d");
    EXPECT_EQ(At(counting, kForm1EdcOffset), (Four{0xE9, 0x0C, 0xD0, 0x59}));
    EXPECT_EQ(At(counting, kPParityOffset), (Four{0x59, 0xFF, 0x7F, 0xD9}));
    EXPECT_EQ(At(counting, kRawSectorSize - 4), (Four{0x61, 0x61, 0xD3, 0x87}));
    EXPECT_EQ(test::Md5Hex(counting), "b97b660dce51458033ff4767ead46007");

    using Msf = std::array<std::uint8_t, 3>;
    for (auto [sector, msf] : {std::pair{0, Msf{0x00, 0x02, 0x00}},
                               {4349, {0x00, 0x59, 0x74}},
                               {4350, {0x01, 0x00, 0x00}},
                               {-150, {0x00, 0x00, 0x00}},
                               {449849, {0x99, 0x59, 0x74}}})
        EXPECT_EQ(BcdAddress(sector), msf) << sector;
    EXPECT_THROW(BcdAddress(449850), std::out_of_range);
    EXPECT_THROW(BcdAddress(-151), std::out_of_range);
}

TEST_P(CdSector, Form2EdcMatchesKnownAnswersForSilentAudio) {
    for (auto [submode, edc] : {std::pair{0x64, Four{0xA2, 0xF1, 0xA6, 0x1B}},
                                {0xE4, {0x5B, 0xBD, 0x63, 0x31}},
                                {0xE5, {0xC3, 0xC5, 0x17, 0xD7}}}) {
        RawSector s{};
        WriteMode2Header(s, 0, {1, 0, static_cast<std::uint8_t>(submode), kCodingStereo});
        for (std::size_t g = 0; g < 18; ++g)  // each sound group opens with 16 parameters 0C
            std::fill_n(s.begin() + kUserDataOffset + 128 * g, 16, 0x0C);
        SealForm2(s);
        EXPECT_EQ(At(s, kForm2EdcOffset), edc) << submode;
        EXPECT_TRUE(CheckSector(s, 0).ok());
        s[kUserDataOffset + 5] ^= 1;
        EXPECT_FALSE(CheckSector(s, 0).edc);
        std::ranges::fill(s.begin() + kForm2EdcOffset, s.end(), 0);  // EDC 0 means none
        EXPECT_TRUE(CheckSector(s, 0).ok());
    }
}

TEST_P(CdSector, CheckerFindsEveryFlippedBitButAcceptsAMovedSector) {
    const RawSector good = Form1Sector(true);
    ASSERT_TRUE(CheckSector(good, 0).ok());
    int missed = 0;
    for (std::size_t bit = 0; bit < 8 * kRawSectorSize; ++bit) {
        RawSector bad = good;
        bad[bit / 8] ^= static_cast<std::uint8_t>(1 << bit % 8);
        missed += CheckSector(bad, 0).ok();
    }
    EXPECT_EQ(missed, 0);

    RawSector bad = good;
    bad[kUserDataOffset + 100] ^= 0x10;
    const SectorCheck check = CheckSector(bad, 0);
    EXPECT_FALSE(check.edc || check.p_parity || check.q_parity);

    // Mode 2 EDC and ECC leave the address out: a moved sector needs only its new address.
    RawSector moved = good;
    std::ranges::copy(BcdAddress(1234), moved.begin() + kAddressOffset);
    EXPECT_TRUE(CheckSector(moved, 1234).ok());
    EXPECT_FALSE(CheckSector(good, 1234).address);
}

// The fast arithmetic gives the portable one's bytes and verdicts on random data, random sectors
// of either form sealed, and the same with a few bytes spoilt.
TEST(SectorArithmetic, FastAndPortableAgree) {
    if (!FastSectorArithmeticAvailable()) GTEST_SKIP() << "no fast arithmetic on this processor";
    const SectorArithmetic before = ActiveSectorArithmetic();
    std::mt19937 random(19);
    const auto byte = [&] { return static_cast<std::uint8_t>(random()); };
    const auto both = [&](auto f) {
        UseSectorArithmetic(SectorArithmetic::Portable);
        auto portable = f();
        UseSectorArithmetic(SectorArithmetic::Fast);
        return std::pair{portable, f()};
    };
    const auto checks = [](const SectorCheck& c) {
        return std::array{c.edc, c.p_parity, c.q_parity};
    };
    std::vector<std::pair<void (*)(MutableSectorView), ParityHolds (*)(SectorView)>> ecc_forms = {
        {arithmetic::WriteEccAvx2, arithmetic::ParityHoldsAvx2}};
    if (__builtin_cpu_supports("gfni"))
        ecc_forms.emplace_back(arithmetic::WriteEccGfni, arithmetic::ParityHoldsGfni);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> data(random() % 4000);
        for (auto& b : data) b = byte();
        const auto [edc, fast_edc] = both([&] { return Edc(data); });
        ASSERT_EQ(edc, fast_edc) << data.size() << " bytes";
        ASSERT_EQ(edc, arithmetic::FoldedEdc128(data)) << data.size() << " bytes";
        if (__builtin_cpu_supports("vpclmulqdq")) {
            ASSERT_EQ(edc, arithmetic::FoldedEdc256(data)) << data.size() << " bytes";
        }

        RawSector raw;
        for (auto& b : raw) b = byte();
        const bool form2 = round % 3 == 0;
        WriteMode2Header(raw, round,
                         {byte(), byte(), static_cast<std::uint8_t>(form2 ? 0x64 : 8), 1});
        const auto [sealed, fast_sealed] = both([&] {
            RawSector s = raw;
            form2 ? SealForm2(s) : SealForm1(s);
            return s;
        });
        ASSERT_EQ(sealed, fast_sealed) << round;
        RawSector spoilt = sealed;
        for (int n = round % 4; n > 0; --n) spoilt[random() % kRawSectorSize] ^= byte() | 1;
        for (const RawSector& s : {raw, sealed, spoilt}) {
            const auto [check, fast_check] = both([&] { return checks(CheckSector(s, round)); });
            ASSERT_EQ(check, fast_check) << round;
        }
        // Each form of the fast P/Q code the processor has, not only the one Fast takes.
        for (const auto& [write, holds] : ecc_forms) {
            RawSector resealed = raw;
            std::ranges::copy(sealed.begin(), sealed.begin() + kPParityOffset, resealed.begin());
            write(resealed);
            if (!form2) {
                ASSERT_EQ(resealed, sealed) << round;
            }
            for (const RawSector& s : {raw, sealed, spoilt}) {
                const ParityHolds fast = holds(s), portable = arithmetic::PortableParityHolds(s);
                ASSERT_TRUE(fast.p == portable.p && fast.q == portable.q) << round;
            }
        }
    }
    UseSectorArithmetic(before);
}

// The environment can force the portable arithmetic, as on a processor without the instructions
// (ctest runs these tests once more that way).
TEST(SectorArithmetic, TheEnvironmentForcesThePortablePath) {
    const char* portable = std::getenv("VORLIX_PORTABLE_SECTORS");
    if (portable && *portable == '1')
        EXPECT_EQ(ActiveSectorArithmetic(), SectorArithmetic::Portable);
    else
        EXPECT_EQ(ActiveSectorArithmetic() == SectorArithmetic::Fast,
                  FastSectorArithmeticAvailable());
}

}  // namespace
}  // namespace vorlix
