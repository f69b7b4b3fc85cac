#include "image/valid_sectors.h"

#include <algorithm>
#include <string>

#include "base/failure.h"
#include "image/replace_engine.h"

namespace vorlix {

namespace {

// The sub-header of the XA filler sectors: file 1, channel 0, real-time Form 2 audio, stereo
// 37.8 kHz 4-bit.
constexpr SubHeader kXaSubHeader = {
    kXaSectorPrefix[kSubHeaderOffset], kXaSectorPrefix[kSubHeaderOffset + 1],
    kXaSectorPrefix[kSubHeaderOffset + 2], kXaSectorPrefix[kSubHeaderOffset + 3]};
static_assert(kXaSubHeader.submode == (kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio));

}  // namespace

void ReaddressCopiedSector(MutableSectorView sector, std::int64_t position) {
    if (HasSync(sector)) std::ranges::copy(BcdAddress(position), sector.begin() + kAddressOffset);
}

void MakeFillerValidAt(MutableSectorView sector, std::int64_t position) {
    if (std::ranges::all_of(sector, [](std::uint8_t b) { return b == 0; }))
        WriteMode2Header(sector, position, SubHeader{});
    else
        ReaddressCopiedSector(sector, position);
}

RawSector SilentXaSector(std::int64_t position) {
    RawSector s{};
    WriteMode2Header(s, position, kXaSubHeader);
    WriteSilentSoundGroups(s, (kXaSubHeader.coding & kCoding8Bit) != 0);
    SealForm2(s);
    return s;
}

void RequireCdAddresses(const SectorRange& range) {
    const std::int64_t last = range.start + range.count - 1;
    if (range.count > 0 && last > kLastCdAddressedSector)
        throw Failure("Cannot write valid sectors up to sector " + std::to_string(last) +
                      ": a CD address ends at 99:59:74, sector " +
                      std::to_string(kLastCdAddressedSector) + "; nothing was written.");
}

}  // namespace vorlix
