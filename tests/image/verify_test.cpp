// Verify: every kind of damage found at its sector, runs merged across the batches the two
// checking threads share, and ranges told by the entries they fall in.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "files/file_faults.h"
#include "image/image_verify.h"
#include "image/range_labels.h"
#include "support/failure_of.h"
#include "support/temp_dir.h"
#include "support/valid_image.h"

namespace vorlix {
namespace {

using test::Bytes;

constexpr std::int64_t kSectors = 1000;  // three batches

std::uint8_t Bit(SectorProblem kind) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(kind));
}

// The sectors a report names under each kind, one by one.
std::map<SectorProblem, std::set<std::int64_t>> Found(const VerifyReport& report) {
    std::map<SectorProblem, std::set<std::int64_t>> found;
    for (std::size_t kind = 0; kind < kSectorProblemKinds; ++kind)
        for (const SectorRun& run : report.runs[kind])
            for (std::int64_t s = run.first; s < run.first + run.count; ++s)
                found[static_cast<SectorProblem>(kind)].insert(s);
    return found;
}

TEST(Verify, FindsASingleFlippedBitInEveryAreaAtItsSector) {
    test::TempDir dir;
    const auto image = dir / "game.bin";
    test::WriteValidImage(image, 1, kSectors);
    std::int64_t last_progress = 0;
    const VerifyReport clean =
        VerifyImage(image, [&](std::int64_t done, std::int64_t) { last_progress = done; });
    EXPECT_TRUE(clean.clean());
    EXPECT_EQ(clean.sectors, kSectors);
    EXPECT_EQ(last_progress, kSectors);

    using K = SectorProblem;
    struct Flip {
        std::int64_t sector;
        std::size_t offset;
        std::uint8_t kinds;  // what the flip must be reported as, at least
        std::uint8_t only;   // and nothing beyond these
    };
    const std::uint8_t edc_ecc = Bit(K::Edc) | Bit(K::Ecc);
    const std::uint8_t sub = Bit(K::SubHeader) | edc_ecc;
    const std::vector<Flip> flips = {
        {5, 0x003, Bit(K::NoSync), Bit(K::NoSync)},
        {11, 0x00C, Bit(K::WrongAddress), Bit(K::WrongAddress)},  // minute
        {12, 0x00E, Bit(K::WrongAddress), Bit(K::WrongAddress)},  // frame
        {20, 0x00F, Bit(K::WrongMode), Bit(K::WrongMode)},
        {30, 0x015, Bit(K::SubHeader), sub},         // second copy
        {31, 0x012, Bit(K::SubHeader), sub},         // first copy's submode
        {40, 0x100, edc_ecc, edc_ecc},               // Form 1 data
        {44, 0x817, edc_ecc, edc_ecc},               // last Form 1 data byte
        {52, 0x500, Bit(K::Edc), Bit(K::Edc)},       // Form 2 data (52 % 7 == 3)
        {50, 0x818, Bit(K::Edc), edc_ecc},           // Form 1 EDC
        {59, 0x92F, Bit(K::Edc), Bit(K::Edc)},       // Form 2 EDC
        {60, 0x81C + 5, Bit(K::Ecc), Bit(K::Ecc)},   // P parity
        {70, 0x8C8 + 50, Bit(K::Ecc), Bit(K::Ecc)},  // Q parity
        {71, 0x92F, Bit(K::Ecc), Bit(K::Ecc)},       // the last Q byte
    };
    Bytes bytes = test::ReadBytes(image);
    for (const Flip& f : flips) bytes[static_cast<std::size_t>(f.sector) * 2352 + f.offset] ^= 0x10;
    // Zero sectors across the first batch boundary, a Form 2 EDC of zero ("none"), and a sector
    // moved from elsewhere.
    std::fill_n(bytes.begin() + 447 * 2352, 2 * 2352, 0);
    std::fill_n(bytes.begin() + 17 * 2352 + 0x92C, 4, 0);
    std::copy_n(bytes.begin() + 900 * 2352, 2352, bytes.begin() + 901 * 2352);
    test::WriteBytes(image, bytes);

    const VerifyReport report = VerifyImage(image);
    auto found = Found(report);
    for (const Flip& f : flips) {
        std::uint8_t got = 0;
        for (auto& [kind, sectors] : found)
            if (sectors.erase(f.sector)) got |= Bit(kind);
        EXPECT_EQ(got & f.kinds, f.kinds) << "sector " << f.sector;
        EXPECT_EQ(got & ~f.only, 0) << "sector " << f.sector;
    }
    EXPECT_EQ(found[K::Empty], (std::set<std::int64_t>{447, 448}));
    EXPECT_EQ(report.runs[0].size(), 1u) << "runs that meet at a batch boundary are one";
    EXPECT_EQ(found[K::WrongAddress], (std::set<std::int64_t>{901}));
    for (const auto& [kind, sectors] : found)
        if (kind != K::Empty && kind != K::WrongAddress) {
            EXPECT_TRUE(sectors.empty());
        }
    EXPECT_EQ(report.sectors_with_problems, static_cast<std::int64_t>(flips.size()) + 3);
}

// A missing image and the left-over bytes' message are checked through vorlix-cli verify.
TEST(Verify, LeftOverBytesAreAProblemAndAnEmptyImageIsClean) {
    test::TempDir dir;
    test::WriteValidImage(dir / "a.bin", 2, 3);
    Bytes bytes = test::ReadBytes(dir / "a.bin");
    bytes.resize(bytes.size() + 100, 0);
    test::WriteBytes(dir / "a.bin", bytes);
    const VerifyReport cut = VerifyImage(dir / "a.bin");
    EXPECT_EQ(cut.sectors, 3);
    EXPECT_EQ(cut.trailing_bytes, 100u);
    EXPECT_FALSE(cut.clean());
    test::WriteBytes(dir / "empty.bin", {});
    EXPECT_TRUE(VerifyImage(dir / "empty.bin").clean());
}

// Another program may shorten the image or its disk may fail while verify walks it: either is
// refused naming the image, and neither ends the process.
TEST(Verify, AnImageShortenedOrFailingDuringTheWalkIsRefusedNotFatal) {
    test::TempDir dir;
    const auto image = dir / "game.bin";
    test::WriteValidImage(image, 1, kSectors);
    SetFaultHook([&](FileCall call, const std::filesystem::path&) {
        if (call == FileCall::Read && std::filesystem::file_size(image) > 100 * 2352)
            std::filesystem::resize_file(image, 100 * 2352 + 7);
        return 0;
    });
    const std::string shortened = test::FailureOf([&] { VerifyImage(image); });
    SetFaultHook({});
    EXPECT_EQ(shortened, image.string() +
                             " changed length while it was verified (2352000 bytes, "
                             "then 235207); verify it again when nothing else "
                             "writes to it.");

    test::WriteValidImage(image, 1, kSectors);
    SetFaultHook([](FileCall call, const std::filesystem::path&) {
        return call == FileCall::Read ? EIO : 0;
    });
    const std::string failure = test::FailureOf([&] { VerifyImage(image); });
    SetFaultHook({});
    EXPECT_NE(failure.find(image.string()), std::string::npos) << failure;
    EXPECT_NE(failure.find(std::strerror(EIO)), std::string::npos) << failure;
}

TEST(Verify, SectorsPastTheLastCdAddressHaveNoRightAddress) {
    const Bytes last = test::ValidSector(449849, 3, false);
    EXPECT_EQ(SectorProblems(SectorView(last.data(), 2352), 449849), 0);
    EXPECT_EQ(SectorProblems(SectorView(last.data(), 2352), 449850),
              Bit(SectorProblem::WrongAddress));
}

TEST(RangeLabels, NameTheEntriesARunFallsIn) {
    const RangeLabels labels(EntryRanges({"100:199:20", "300:399:1", "bad", "200:249:99", "5:1:10",
                                          "400:400:0", "401:401:0", "402:402:0", "403:403:0"}),
                             "no entry");
    EXPECT_EQ(labels.LabelOf({150, 10}), "entry 1 (TIM)");
    EXPECT_EQ(labels.LabelOf({190, 20}), "entry 1 (TIM), entry 4 (DUM)");
    EXPECT_EQ(labels.LabelOf({240, 70}), "entry 4 (DUM), entry 2 (ST1), no entry");
    EXPECT_EQ(labels.LabelOf({0, 50}), "no entry");
    EXPECT_EQ(labels.LabelOf({399, 6}),
              "entry 2 (ST1), entry 6 (ST0), entry 7 (ST0), entry 8 (ST0) and 2 more");
}

}  // namespace
}  // namespace vorlix
