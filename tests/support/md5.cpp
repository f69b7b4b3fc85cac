#include "support/md5.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <vector>

namespace vorlix::test {

// RFC 1321, written for clarity rather than speed.
std::string Md5Hex(std::span<const std::uint8_t> bytes) {
    static constexpr std::array<int, 16> kShift = {7, 12, 17, 22, 5, 9,  14, 20,
                                                   4, 11, 16, 23, 6, 10, 15, 21};
    std::array<std::uint32_t, 64> k{};
    for (int i = 0; i < 64; ++i)
        k[i] = static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));

    std::vector<std::uint8_t> m(bytes.begin(), bytes.end());
    const std::uint64_t bit_length = static_cast<std::uint64_t>(m.size()) * 8;
    m.push_back(0x80);
    while (m.size() % 64 != 56) m.push_back(0);
    for (int i = 0; i < 8; ++i) m.push_back(static_cast<std::uint8_t>(bit_length >> (8 * i)));

    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t block = 0; block < m.size(); block += 64) {
        std::uint32_t w[16];
        for (int i = 0; i < 16; ++i)
            w[i] = m[block + 4 * i] | m[block + 4 * i + 1] << 8 | m[block + 4 * i + 2] << 16 |
                   static_cast<std::uint32_t>(m[block + 4 * i + 3]) << 24;
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16)
                f = (b & c) | (~b & d), g = i;
            else if (i < 32)
                f = (d & b) | (~d & c), g = (5 * i + 1) % 16;
            else if (i < 48)
                f = b ^ c ^ d, g = (3 * i + 5) % 16;
            else
                f = c ^ (b | ~d), g = (7 * i) % 16;
            const std::uint32_t rotated =
                std::rotl(a + f + k[i] + w[g], kShift[i / 16 * 4 + i % 4]);
            a = d;
            d = c;
            c = b;
            b += rotated;
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    std::string hex;
    for (std::uint32_t word : h)
        for (int i = 0; i < 4; ++i) {
            char buf[3];
            std::snprintf(buf, sizeof buf, "%02x", (word >> (8 * i)) & 0xFF);
            hex += buf;
        }
    return hex;
}

}  // namespace vorlix::test
