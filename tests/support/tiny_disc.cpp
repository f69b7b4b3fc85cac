#include "support/tiny_disc.h"

#include <algorithm>

#include "image/cd_sector.h"

namespace vorlix::test {

namespace {

MutableSectorView At(Bytes& image, std::int64_t s) {
    return MutableSectorView(image.data() + s * kRawSectorSize, kRawSectorSize);
}

void Both32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
        p[7 - i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// One directory record with the 14-byte XA system-use field; returns its length.
std::size_t Record(std::uint8_t* out, const std::string& id, const TinyRecord& r) {
    const std::size_t pad = id.size() % 2 == 0 ? 1 : 0;
    const std::size_t length = 33 + id.size() + pad + 14;
    std::fill_n(out, length, 0);
    out[0] = static_cast<std::uint8_t>(length);
    Both32(out + 2, static_cast<std::uint32_t>(r.lsn));
    Both32(out + 10, static_cast<std::uint32_t>(r.bytes));
    out[25] = r.directory ? 2 : 0;
    out[28] = out[31] = 1;  // volume sequence number 1, both byte orders
    out[32] = static_cast<std::uint8_t>(id.size());
    std::copy(id.begin(), id.end(), out + 33);
    std::uint8_t* xa = out + 33 + id.size() + pad;
    const std::uint16_t attributes = r.directory ? 0x8D55 : r.xa_attributes;
    xa[4] = static_cast<std::uint8_t>(attributes >> 8);
    xa[5] = static_cast<std::uint8_t>(attributes);
    xa[6] = 'X';
    xa[7] = 'A';
    return length;
}

}  // namespace

void PutData(Bytes& image, std::int64_t s, const Bytes& head, std::uint8_t fill) {
    auto sector = At(image, s);
    std::fill(sector.begin(), sector.end(), 0);
    WriteMode2Header(sector, s, {0, 0, kSubmodeData, 0});
    std::fill_n(sector.begin() + kUserDataOffset, kForm1DataSize, fill);
    std::copy(head.begin(), head.end(), sector.begin() + kUserDataOffset);
    SealForm1(sector);
}

void PutVideo(Bytes& image, std::int64_t s, std::uint32_t frame, std::uint16_t chunk,
              std::uint16_t chunks) {
    Bytes head = {0x60,
                  0x01,
                  0x01,
                  0x80,
                  static_cast<std::uint8_t>(chunk),
                  static_cast<std::uint8_t>(chunk >> 8),
                  static_cast<std::uint8_t>(chunks),
                  static_cast<std::uint8_t>(chunks >> 8)};
    for (int i = 0; i < 4; ++i) head.push_back(static_cast<std::uint8_t>(frame >> (8 * i)));
    PutData(image, s, head, 0x11);
    auto sector = At(image, s);
    WriteMode2Header(sector, s, {1, 1, kSubmodeRealTime | kSubmodeData, 0});
    SealForm1(sector);
}

void PutAudio(Bytes& image, std::int64_t s) {
    auto sector = At(image, s);
    std::fill(sector.begin(), sector.end(), 0);
    WriteMode2Header(sector, s,
                     {1, 1, kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio, kCodingStereo});
    std::fill_n(sector.begin() + kUserDataOffset, 18 * 128, 0x0C);
    SealForm2(sector);
}

Bytes TinyImage(std::int64_t sectors, const std::vector<TinyDirectory>& directories) {
    Bytes image(static_cast<std::size_t>(sectors) * kRawSectorSize);
    for (std::int64_t s = 0; s < sectors; ++s) {
        const Bytes pattern = PatternSector(7, s);
        PutData(image, s, Bytes(pattern.begin(), pattern.begin() + kForm1DataSize));
    }
    if (directories.empty()) return image;
    Bytes pvd(kForm1DataSize, 0);
    pvd[0] = 1;
    std::copy_n("CD001", 5, pvd.begin() + 1);
    pvd[6] = 1;
    Both32(pvd.data() + 80, static_cast<std::uint32_t>(sectors));
    pvd[120] = pvd[123] = 1;                                             // volume set size
    pvd[124] = pvd[127] = 1;                                             // volume sequence number
    pvd[128] = 0x00, pvd[129] = 0x08, pvd[130] = 0x08, pvd[131] = 0x00;  // block size 2048
    Record(pvd.data() + 156, std::string(1, '\0'), {"", 18, 2048, true});
    pvd[156] = 34;  // the root record in the descriptor carries no system-use field
    std::copy_n("CD-XA001", 8, pvd.begin() + 0x400);
    PutData(image, 16, pvd);
    PutData(image, 17, {0xFF, 'C', 'D', '0', '0', '1', 1});
    for (const TinyDirectory& dir : directories) {
        Bytes block(kForm1DataSize, 0);
        std::size_t at = Record(block.data(), std::string(1, '\0'), {"", dir.lsn, 2048, true});
        at += Record(block.data() + at, std::string(1, '\1'), {"", 18, 2048, true});
        for (const TinyRecord& r : dir.records)
            at += Record(block.data() + at, r.directory ? r.name : r.name + ";1", r);
        PutData(image, dir.lsn, block);
    }
    return image;
}

}  // namespace vorlix::test
