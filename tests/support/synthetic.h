#pragma once
// Small synthetic images, lists and sector files for tests: every sector of a synthetic file is
// filled with a pattern that tells which file and which sector it is.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix::test {

using Bytes = std::vector<std::uint8_t>;

// Sector `index` of a file tagged `tag`: 2352 bytes, none of them zero.
Bytes PatternSector(std::uint8_t tag, std::int64_t index);

// A file of `sectors` pattern sectors.
void WritePatternFile(const std::filesystem::path& path, std::uint8_t tag, std::int64_t sectors);

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
void WriteText(const std::filesystem::path& path, std::string_view text);
Bytes ReadBytes(const std::filesystem::path& path);

// Sectors [first, first + count) of a byte buffer (zero-padded past its end).
Bytes SectorsOf(const Bytes& file, std::int64_t first, std::int64_t count);

// `times` sectors of the filler a replace writes after the source when XA headers are on.
Bytes XaFiller(int times);

// The little-endian word at byte `at` of sector `s`, read apart from the code under test.
std::uint32_t Le32(const Bytes& image, std::int64_t s, std::size_t at);

// A list file: a header line, the entry lines and the end marker, each ended by CR LF.
std::string ListText(const std::vector<std::string>& lines);

}  // namespace vorlix::test
