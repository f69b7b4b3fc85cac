#include "support/valid_image.h"

#include "sector/cd_sector.h"

namespace vorlix::test {

Bytes ValidSector(std::int64_t position, std::uint8_t tag, bool form2) {
    Bytes bytes = PatternSector(tag, position);
    const MutableSectorView s(bytes.data(), kRawSectorSize);
    const std::uint8_t submode =
        form2 ? kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio : kSubmodeData;
    WriteMode2Header(s, position, {1, 0, submode, form2 ? kCodingStereo : std::uint8_t{0}});
    if (form2)
        SealForm2(s);
    else
        SealForm1(s);
    return bytes;
}

void WriteValidImage(const std::filesystem::path& path, std::uint8_t tag, std::int64_t sectors) {
    Bytes all;
    all.reserve(static_cast<std::size_t>(sectors) * kRawSectorSize);
    for (std::int64_t i = 0; i < sectors; ++i) {
        const Bytes s = ValidSector(i, tag, i % 7 == 3);
        all.insert(all.end(), s.begin(), s.end());
    }
    WriteBytes(path, all);
}

}  // namespace vorlix::test
