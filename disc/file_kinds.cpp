#include "disc/file_kinds.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "entries/type_codes.h"
#include "sector/little_endian.h"

namespace vorlix {

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// A TIM block (CLUT or pixels): a length that counts its 12-byte head and w x h 16-bit units.
bool TimBlockFits(const std::uint8_t* block, std::uint64_t& length) {
    length = ReadLe32(block);
    const std::uint64_t units = std::uint64_t{ReadLe16(block + 8)} * ReadLe16(block + 10);
    return length == 12 + units * 2;
}

}  // namespace

bool IsFiller(SectorView sector, const SectorLook& look, std::span<const std::uint8_t> first_data) {
    if (!HasSync(sector)) return true;
    const auto data = UserData(sector, look.form2);
    if (std::all_of(data.begin(), data.end(), [&](std::uint8_t b) { return b == data[0]; }))
        return true;
    return std::ranges::equal(data, first_data);
}

FileMagic MagicOf(SectorView first_sector, std::uint64_t bytes) {
    const std::uint8_t* data = first_sector.data() + kUserDataOffset;
    if (std::memcmp(data, "pBAV", 4) == 0) return FileMagic::VabHeader;
    if (std::memcmp(data, "pQES", 4) == 0) return FileMagic::Seq;
    if (ReadLe32(data) != 0x10) return FileMagic::None;
    // Flags: pixel mode 0-4 in bits 0-2, bit 3 a CLUT, nothing else.
    const std::uint32_t flags = ReadLe32(data + 4);
    if ((flags & ~std::uint32_t{0xF}) != 0 || (flags & 7) > 4) return FileMagic::None;
    std::uint64_t at = 8, length = 0;
    if (flags & 8) {
        if (!TimBlockFits(data + at, length)) return FileMagic::None;
        at += length;
    }
    // The pixel block's head is checked when it lies in the first sector, as it does in all but
    // TIMs with CLUTs of several hundred colours; its length must fit the file either way.
    if (at + 12 > bytes) return FileMagic::None;
    if (at + 12 <= kForm1DataSize) {
        if (!TimBlockFits(data + at, length)) return FileMagic::None;
        at += length;
    }
    return at <= bytes ? FileMagic::Tim : FileMagic::None;
}

void FileEvidence::Add(const SectorLook& look) {
    switch (look.kind) {
        case SectorKind::Video:
            if (video == 0) first_frame = look.frame;
            last_frame = look.frame;
            ++video;
            break;
        case SectorKind::Audio:
            ++audio;
            break;
        case SectorKind::Data:
            ++data;
            break;
        case SectorKind::NotMode2:
            ++not_mode2;
            break;
    }
}

std::string FileEvidence::Counts() const {
    std::string text;
    const auto add = [&](std::int64_t n, const char* what) {
        if (n == 0) return;
        text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    add(video, "STR video");
    add(audio, "XA audio");
    add(data, "data");
    add(not_mode2, "non-Mode 2");
    return text + (video + audio + data + not_mode2 == 1 ? " sector" : " sectors");
}

bool NameSaysDummy(const std::string& path) {
    const std::string name = Upper(path.substr(path.rfind('/') + 1));
    return name.rfind("DUMMY", 0) == 0 || name.rfind("PADDING", 0) == 0 ||
           (name.size() > 4 && name.compare(name.size() - 4, 4, ".DUM") == 0);
}

int ClassifyFile(const DiscFile& file, const FileEvidence& e, std::string& why) {
    const std::int64_t media = e.video + e.audio;
    if (media > 0 && media == file.sectors) {
        why = e.Counts();
        if (e.video > 0)
            why += ", frames " + std::to_string(e.first_frame) + "-" + std::to_string(e.last_frame);
        return e.video == 0 ? kCodeXaAudio : e.audio == 0 ? kCodeMovie : kCodeMovieWithAudio;
    }
    switch (e.magic) {
        case FileMagic::Tim:
            why = "TIM header 10 00 00 00 with valid flags and block sizes";
            return kCodeTim;
        case FileMagic::VabHeader:
            why = "VAB header magic pBAV";
            return kCodeVabHeader;
        case FileMagic::Seq:
            why = "SEQ magic pQES";
            return kCodeSeq;
        case FileMagic::None:
            break;
    }
    if (NameSaysDummy(file.path) && e.filler && media == 0) {
        why = "the name says dummy and its sectors are filler; " + e.Counts();
        return kCodeDummy;
    }
    if (e.all_zero && media == 0) {
        why = "all data zero; " + e.Counts();
        return kCodeDummy;
    }
    return kNotListed;
}

}  // namespace vorlix
