#pragma once
// MD5 as lowercase hex, to compare with published known answers.

#include <cstdint>
#include <span>
#include <string>

namespace vorlix::test {

std::string Md5Hex(std::span<const std::uint8_t> bytes);

}  // namespace vorlix::test
