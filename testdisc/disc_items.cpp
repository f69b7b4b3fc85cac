#include "testdisc/disc_items.h"

#include <algorithm>
#include <cstring>
#include <utility>

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
    if (role == "movie") return 0;
    if (role == "movie+audio") return 1;
    if (role == "xa") return 10;
    if (role == "tim") return 20;
    if (role == "vab-header") return 31;
    if (role == "vab-body") return 32;
    if (role == "seq") return 40;
    if (role == "dummy") return 99;
    return -1;
}

int CodeOf(BuiltStream::Kind kind) {
    switch (kind) {
        case BuiltStream::Movie:
            return 0;
        case BuiltStream::MovieWithAudio:
            return 1;
        case BuiltStream::Xa:
            return 10;
    }
    return -1;
}

}  // namespace vorlix::test::building
