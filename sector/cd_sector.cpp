#include "sector/cd_sector.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "sector/ecc.h"
#include "sector/edc.h"
#include "sector/little_endian.h"

namespace vorlix {
namespace {

constexpr std::int64_t kLeadInSectors = 150;  // the data track starts at 00:02:00
constexpr std::int64_t kSectorsPerSecond = 75;

std::uint8_t Bcd(std::int64_t value) {
    return static_cast<std::uint8_t>(value / 10 * 16 + value % 10);
}

}  // namespace

std::array<std::uint8_t, 3> BcdAddress(std::int64_t sector) {
    const std::int64_t a = sector + kLeadInSectors;
    if (a < 0 || sector > kLastCdAddressedSector)
        // Callers refuse such sectors first, with the entry named; this is the last guard.
        throw std::out_of_range("Sector " + std::to_string(sector) + " has no CD address.");
    return {Bcd(a / (60 * kSectorsPerSecond)), Bcd(a / kSectorsPerSecond % 60),
            Bcd(a % kSectorsPerSecond)};
}

void WriteMode2Header(MutableSectorView sector, std::int64_t sector_number, SubHeader sub) {
    std::ranges::copy(kSyncPattern, sector.begin() + kSyncOffset);
    std::ranges::copy(BcdAddress(sector_number), sector.begin() + kAddressOffset);
    sector[kModeOffset] = 2;
    for (std::size_t copy = 0; copy < 2; ++copy) {
        const std::size_t at = kSubHeaderOffset + 4 * copy;
        sector[at] = sub.file;
        sector[at + 1] = sub.channel;
        sector[at + 2] = sub.submode;
        sector[at + 3] = sub.coding;
    }
}

SubHeader ReadSubHeader(SectorView sector) {
    return {sector[kSubHeaderOffset], sector[kSubHeaderOffset + 1], sector[kSubHeaderOffset + 2],
            sector[kSubHeaderOffset + 3]};
}

void SealForm1(MutableSectorView sector) {
    WriteLe32(sector.data() + kForm1EdcOffset, Form1Edc(sector));
    WriteEcc(sector);
}

void SealForm2(MutableSectorView sector) {
    WriteLe32(sector.data() + kForm2EdcOffset, Form2Edc(sector));
}

void WriteSilentSoundGroups(MutableSectorView sector, bool eight_bit) {
    constexpr std::size_t kSoundGroups = 18, kGroupBytes = 128, kParameterBytes = 16;
    std::fill(sector.begin() + kUserDataOffset, sector.begin() + kForm2EdcOffset, 0);
    for (std::size_t g = 0; g < kSoundGroups; ++g)
        std::fill_n(sector.begin() + static_cast<std::ptrdiff_t>(kUserDataOffset + g * kGroupBytes),
                    kParameterBytes, eight_bit ? 0x08 : 0x0C);
}

SectorCheck CheckSector(SectorView sector, std::int64_t sector_number) {
    SectorCheck check;
    check.sync = HasSync(sector);
    // A position past 99:59:74 has no address a sector could carry.
    const std::int64_t a = sector_number + kLeadInSectors;
    check.address =
        a >= 0 && sector_number <= kLastCdAddressedSector &&
        std::ranges::equal(sector.subspan(kAddressOffset, 3), BcdAddress(sector_number));
    check.mode = sector[kModeOffset] == 2;
    check.sub_header = std::ranges::equal(sector.subspan(kSubHeaderOffset, 4),
                                          sector.subspan(kSubHeaderOffset + 4, 4));
    if (ReadSubHeader(sector).submode & kSubmodeForm2) {
        const std::uint32_t stored = ReadLe32(sector.data() + kForm2EdcOffset);
        check.edc = stored == 0 || stored == Form2Edc(sector);
        check.p_parity = check.q_parity = true;
    } else {
        check.edc = ReadLe32(sector.data() + kForm1EdcOffset) == Form1Edc(sector);
        const ParityHolds parity = CheckParity(sector);
        check.p_parity = parity.p;
        check.q_parity = parity.q;
    }
    return check;
}

}  // namespace vorlix
