// The directory walk on arbitrary blocks: the first 8 bytes give the root's block and size, the
// rest are the volume's 2048-byte blocks. Whatever the records say, the walk ends, every file it
// keeps lies inside the volume, and the warnings stay few.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "disc/directory_walk.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::uint32_t root = 0, root_bytes = 0;
    std::memcpy(&root, data, 4);
    std::memcpy(&root_bytes, data + 4, 4);
    const std::uint8_t* blocks = data + 8;
    const std::size_t bytes = size - 8;
    const std::int64_t count =
        static_cast<std::int64_t>((bytes + vorlix::kIsoBlockSize - 1) / vorlix::kIsoBlockSize);
    const vorlix::BlockReader read = [&](std::int64_t lsn,
                                         std::span<std::uint8_t, vorlix::kIsoBlockSize> out) {
        FUZZ_CHECK(lsn >= 0 && lsn < count);
        const std::size_t at = static_cast<std::size_t>(lsn) * vorlix::kIsoBlockSize;
        const std::size_t n = std::min(vorlix::kIsoBlockSize, bytes - at);
        std::fill(out.begin(), out.end(), 0);
        std::copy_n(blocks + at, n, out.begin());
        return true;
    };
    vorlix::FileSystem fs;
    vorlix::WalkDirectories(read, count, root % (count + 2), root_bytes, fs);
    for (std::size_t i = 0; i < fs.files.size(); ++i) {
        const vorlix::DiscFile& f = fs.files[i];
        FUZZ_CHECK(f.first_sector >= 0 && f.sectors >= 0 && f.first_sector + f.sectors <= count);
        FUZZ_CHECK(!f.path.empty() && f.path[0] == '/');
        FUZZ_CHECK(i == 0 || fs.files[i - 1].first_sector <= f.first_sector);
    }
    FUZZ_CHECK(fs.warnings.size() <= 23);  // 20 damaged parts, how many more, overlaps, a cap
    return 0;
}
