#include <algorithm>

#include "blanks/blank_files.h"
#include "image/cd_sector.h"

namespace vorlix {
namespace {

constexpr std::size_t kSoundGroups = 18;
constexpr std::size_t kSoundGroupSize = 128;
constexpr std::size_t kSoundParameterBytes = 16;
// Range 12 (shift 0), filter 0: what encoders write for silence and what detectors look for.
constexpr std::uint8_t kSilentParameter = 0x0C;

// The same sub-header as the XA filler sectors that Rip All writes after this one.
constexpr SubHeader kXaSubHeader = {1, 0, kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio,
                                    kCodingStereo};

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
