#include "sector/sector_kind.h"

#include <algorithm>
#include <cstring>

#include "sector/little_endian.h"
#include "sector/str_sector.h"

namespace vorlix {

SectorFacts FactsOf(SectorView sector) {
    SectorFacts f;
    f.mode2 = HasSync(sector) && sector[kModeOffset] == 2;
    if (!f.mode2) return f;
    const std::uint8_t* sub = sector.data() + kSubHeaderOffset;
    f.copies_agree = std::memcmp(sub, sub + 4, 4) == 0;
    f.channel = sub[1];
    f.form2 = (sub[2] & kSubmodeForm2) != 0;
    f.audio = (sub[2] & kSubmodeAudio) != 0;
    f.video = (sub[2] & kSubmodeVideo) != 0;
    const std::uint8_t* data = sector.data() + kUserDataOffset;
    f.str_magic = ReadLe32(data) == kStrMagic;
    f.frame = ReadLe32(data + kStrFrameNumber);
    f.str_header =
        f.str_magic && ReadLe16(data + kStrChunk) < ReadLe16(data + kStrChunks) && f.frame >= 1;
    return f;
}

SectorLook LookAt(SectorView sector) {
    const SectorFacts f = FactsOf(sector);
    SectorLook look;
    if (!f.mode2 || !f.copies_agree) return look;
    look.form2 = f.form2;
    look.channel = f.channel;
    // Form 2 is never video: players read video from Form 1 sectors only.
    look.kind = f.form2 ? (f.audio ? SectorKind::Audio : SectorKind::Data)
                        : (f.str_header ? SectorKind::Video : SectorKind::Data);
    if (look.kind == SectorKind::Video) look.frame = f.frame;
    return look;
}

std::span<const std::uint8_t> UserData(SectorView sector, bool form2) {
    return sector.subspan(kUserDataOffset, form2 ? kForm2DataSize : kForm1DataSize);
}

bool UserDataIsZero(SectorView sector, bool form2) {
    const auto data = UserData(sector, form2);
    return std::all_of(data.begin(), data.end(), [](std::uint8_t b) { return b == 0; });
}

}  // namespace vorlix
