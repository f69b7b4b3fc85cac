#pragma once
// The blank files that Rip All writes over movies and XA audio: a short all-black STR movie and a
// silent XA sector, both as raw Mode 2 sectors that a console's players accept.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/replace_engine.h"
#include "sector/str_sector.h"

namespace vorlix {

using ByteVector = std::vector<std::uint8_t>;

inline constexpr const char* kBlankStrName = "blank.STR";
inline constexpr const char* kBlankXaName = "blank.XA";

// Rip All takes exactly this many sectors of blank.STR.
inline constexpr std::size_t kBlankStrSectors = static_cast<std::size_t>(kStSourceSectors);
// 15 frames a second at double speed.
inline constexpr std::size_t kBlankStrSectorsPerFrame = 10;
inline constexpr std::uint16_t kBlankStrWidth = 320;
inline constexpr std::uint16_t kBlankStrHeight = 240;

// 404 Form 1 sectors of an all-black 320 x 240 movie, frames numbered from 1.
ByteVector MakeBlankStr();

// One Form 2 sector of silent stereo 37.8 kHz 4-bit XA ADPCM.
ByteVector MakeBlankXa();

}  // namespace vorlix
