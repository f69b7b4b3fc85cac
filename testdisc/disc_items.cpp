#include "testdisc/disc_items.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "entries/type_codes.h"

namespace vorlix::test::building {

RawSector Form1Sector(SubHeader sub, const std::uint8_t* data, std::size_t size) {
    RawSector s{};
    WriteMode2Header(s, 0, sub);
    if (size > 0) std::memcpy(s.data() + kUserDataOffset, data, std::min(size, kForm1DataSize));
    SealForm1(s);
    return s;
}

RawSector Form2Sector(SubHeader sub, const std::uint8_t* data, std::size_t size, bool edc) {
    RawSector s{};
    WriteMode2Header(s, 0, sub);
    if (size > 0) std::memcpy(s.data() + kUserDataOffset, data, std::min(size, kForm2DataSize));
    if (edc) SealForm2(s);
    return s;
}

std::vector<RawSector> DataSectors(const Bytes& content, bool ends_file) {
    const std::size_t count = std::max<std::size_t>(1, (content.size() + 2047) / 2048);
    std::vector<RawSector> sectors;
    sectors.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i * 2048;
        const std::size_t size =
            at < content.size() ? std::min<std::size_t>(2048, content.size() - at) : 0;
        const std::uint8_t submode =
            ends_file && i + 1 == count ? kSubmodeLastData : kSubmodeFileData;
        sectors.push_back(Form1Sector({0, 0, submode, 0}, content.data() + at, size));
    }
    return sectors;
}

Item DataFile(std::string path, std::string role, const Bytes& content) {
    Item item;
    item.path = std::move(path);
    item.role = std::move(role);
    item.sectors = DataSectors(content);
    item.recorded_size = static_cast<std::int64_t>(content.size());
    return item;
}

int CodeOf(const std::string& role) {
    if (role == "movie") return kCodeMovie;
    if (role == "movie+audio") return kCodeMovieWithAudio;
    if (role == "xa") return kCodeXaAudio;
    if (role == "tim") return kCodeTim;
    if (role == "vab-header") return kCodeVabHeader;
    if (role == "vab-body") return kCodeVabBody;
    if (role == "seq") return kCodeSeq;
    if (role == "dummy") return kCodeDummy;
    return kNotListed;
}

int CodeOf(BuiltStream::Kind kind) {
    switch (kind) {
        case BuiltStream::Movie:
            return kCodeMovie;
        case BuiltStream::MovieWithAudio:
            return kCodeMovieWithAudio;
        case BuiltStream::Xa:
            return kCodeXaAudio;
    }
    return kNotListed;
}

}  // namespace vorlix::test::building
