#include <algorithm>

#include "blanks/blank_files.h"
#include "image/cd_sector.h"
#include "image/replace_engine.h"

namespace vorlix {
namespace {

constexpr std::size_t kSoundGroups = 18;
constexpr std::size_t kSoundGroupSize = 128;
constexpr std::size_t kSoundParameterBytes = 16;
// Range 12 (shift 0), filter 0: what encoders write for silence and what detectors look for.
constexpr std::uint8_t kSilentParameter = 0x0C;

// The same sub-header as the XA filler sectors that Rip All writes after this one: file 1,
// channel 0, real-time Form 2 audio, stereo 37.8 kHz 4-bit.
constexpr SubHeader kXaSubHeader = {
    kXaSectorPrefix[kSubHeaderOffset], kXaSectorPrefix[kSubHeaderOffset + 1],
    kXaSectorPrefix[kSubHeaderOffset + 2], kXaSectorPrefix[kSubHeaderOffset + 3]};
static_assert(kXaSubHeader.submode == (kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio));

}  // namespace

ByteVector MakeBlankXa() {
    ByteVector file(kRawSectorSize, 0);
    const MutableSectorView sector(file.data(), kRawSectorSize);
    WriteMode2Header(sector, 0, kXaSubHeader);
    for (std::size_t g = 0; g < kSoundGroups; ++g) {
        std::fill_n(
            sector.begin() + static_cast<std::ptrdiff_t>(kUserDataOffset + g * kSoundGroupSize),
            kSoundParameterBytes, kSilentParameter);
    }
    SealForm2(sector);
    return file;
}

}  // namespace vorlix
