#include "support/synthetic.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "sector/sector_geometry.h"

namespace vorlix::test {

Bytes PatternSector(std::uint8_t tag, std::int64_t index) {
    Bytes s(kRawSectorSize);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::uint8_t>(1 + (tag * 31 + index * 7 + i) % 255);
    return s;
}

void WritePatternFile(const std::filesystem::path& path, std::uint8_t tag, std::int64_t sectors) {
    Bytes all;
    all.reserve(static_cast<std::size_t>(sectors) * kRawSectorSize);
    for (std::int64_t i = 0; i < sectors; ++i) {
        Bytes s = PatternSector(tag, i);
        all.insert(all.end(), s.begin(), s.end());
    }
    WriteBytes(path, all);
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteText(const std::filesystem::path& path, std::string_view text) {
    WriteBytes(path, Bytes(text.begin(), text.end()));
}

Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes SectorsOf(const Bytes& file, std::int64_t first, std::int64_t count) {
    Bytes out(static_cast<std::size_t>(count) * kRawSectorSize, 0);
    const std::size_t from = static_cast<std::size_t>(first) * kRawSectorSize;
    for (std::size_t i = 0; i < out.size() && from + i < file.size(); ++i) out[i] = file[from + i];
    return out;
}

// Written out here rather than taken from the code, so that a changed prefix is caught.
Bytes XaFiller(int times) {
    static constexpr std::uint8_t kPrefix[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0x00, 0x25, 0x26, 0x33, 0x02,
                                               0x01, 0x00, 0x64, 0x01, 0x01, 0x00, 0x64, 0x01};
    Bytes out(static_cast<std::size_t>(times) * kRawSectorSize, 0);
    for (int i = 0; i < times; ++i)
        std::copy(std::begin(kPrefix), std::end(kPrefix), out.begin() + i * kRawSectorSize);
    return out;
}

std::uint32_t Le32(const Bytes& image, std::int64_t s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | image[s * kRawSectorSize + at + i];
    return v;
}

std::string ListText(const std::vector<std::string>& lines) {
    std::string text = "KLV\r\n";
    for (const auto& l : lines) text += l + "\r\n";
    return text + ".\r\n";
}

}  // namespace vorlix::test
