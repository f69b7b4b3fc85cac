#pragma once
// Raw CD-ROM Mode 2 sectors as they lie in a .bin image: layout, the BCD address, the sub-header,
// sealing with EDC (edc.h) and the Form 1 error-correction code (ecc.h, ECMA-130 Annex A), and a
// checker that re-evaluates all of them. Rip All copies the blank files' sectors as they are unless
// Write Valid Sectors rebuilds them at their target positions, so the blank files must be built
// correct here.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "sector/sector_geometry.h"

namespace vorlix {

using RawSector = std::array<std::uint8_t, kRawSectorSize>;
using SectorView = std::span<const std::uint8_t, kRawSectorSize>;
using MutableSectorView = std::span<std::uint8_t, kRawSectorSize>;

// Byte offsets in a raw sector.
inline constexpr std::size_t kSyncOffset = 0x000;
inline constexpr std::size_t kSyncSize = 12;
inline constexpr std::size_t kAddressOffset = 0x00C;  // 3 BCD bytes: minute, second, frame
inline constexpr std::size_t kModeOffset = 0x00F;
inline constexpr std::size_t kSubHeaderOffset = 0x010;  // 4 bytes, then a copy of them
inline constexpr std::size_t kUserDataOffset = 0x018;

inline constexpr std::size_t kForm1DataSize = 2048;
inline constexpr std::size_t kForm1EdcOffset = 0x818;
inline constexpr std::size_t kPParityOffset = 0x81C;
inline constexpr std::size_t kPParitySize = 172;
inline constexpr std::size_t kQParityOffset = 0x8C8;
inline constexpr std::size_t kQParitySize = 104;

inline constexpr std::size_t kForm2DataSize = 2324;
inline constexpr std::size_t kForm2EdcOffset = 0x92C;

inline constexpr std::array<std::uint8_t, kSyncSize> kSyncPattern = {
    0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

// Whether `sector` (at least its first 12 bytes) begins with the sync pattern.
inline bool HasSync(std::span<const std::uint8_t> sector) {
    return sector.size() >= kSyncSize &&
           std::equal(kSyncPattern.begin(), kSyncPattern.end(), sector.begin());
}

// Submode bits of the sub-header.
inline constexpr std::uint8_t kSubmodeEndOfRecord = 0x01;
inline constexpr std::uint8_t kSubmodeVideo = 0x02;
inline constexpr std::uint8_t kSubmodeAudio = 0x04;
inline constexpr std::uint8_t kSubmodeData = 0x08;
inline constexpr std::uint8_t kSubmodeTrigger = 0x10;
inline constexpr std::uint8_t kSubmodeForm2 = 0x20;
inline constexpr std::uint8_t kSubmodeRealTime = 0x40;
inline constexpr std::uint8_t kSubmodeEndOfFile = 0x80;

// Coding bits (audio sectors only); stereo 37.8 kHz 4-bit is just kCodingStereo.
inline constexpr std::uint8_t kCodingStereo = 0x01;
inline constexpr std::uint8_t kCoding18900Hz = 0x04;
inline constexpr std::uint8_t kCoding8Bit = 0x10;

struct SubHeader {
    std::uint8_t file = 0;
    std::uint8_t channel = 0;
    std::uint8_t submode = 0;
    std::uint8_t coding = 0;
    bool operator==(const SubHeader&) const = default;
};

// The last sector a CD address can name, 99:59:74.
inline constexpr std::int64_t kLastCdAddressedSector = 100 * 60 * 75 - 150 - 1;

// Minute, second and frame in BCD of sector `sector` counted from the start of the data track,
// which begins at 00:02:00 (sector 0 -> 00 02 00). Sectors past 99:59:74 are out of range.
std::array<std::uint8_t, 3> BcdAddress(std::int64_t sector);

// Writes sync, address, mode 2 and both copies of the sub-header; the rest is left as it is.
void WriteMode2Header(MutableSectorView sector, std::int64_t sector_number, SubHeader sub);

SubHeader ReadSubHeader(SectorView sector);

// Writes silent XA ADPCM into a Form 2 sector's user data (018-92B): 18 sound groups whose 16
// parameter bytes say filter 0 and a range that shifts by nothing (0C for 4-bit audio, 08 for
// 8-bit), every sample 0, then 20 zero bytes. With zero samples every output sample is 0, whatever
// came before; 0C is also what encoders write for silence and what detectors look for.
void WriteSilentSoundGroups(MutableSectorView sector, bool eight_bit);

// Complete a sector whose header, sub-header and user data are written: Form 1 gets EDC, P and
// Q; Form 2 gets its EDC.
void SealForm1(MutableSectorView sector);
void SealForm2(MutableSectorView sector);

// The outcome of re-evaluating every checkable part of a Mode 2 sector.
struct SectorCheck {
    bool sync = false;
    bool address = false;     // equals the BCD address of the expected position
    bool mode = false;        // mode byte 2
    bool sub_header = false;  // both copies agree
    bool edc = false;         // Form 2 may also carry 0, meaning no EDC
    bool p_parity = false;    // Form 1 only; true for Form 2
    bool q_parity = false;    // Form 1 only; true for Form 2
    bool ok() const { return sync && address && mode && sub_header && edc && p_parity && q_parity; }
};

// Checks `sector` as if it stood at position `sector_number` of its file; a position with no CD
// address fails the address check.
SectorCheck CheckSector(SectorView sector, std::int64_t sector_number);

}  // namespace vorlix
