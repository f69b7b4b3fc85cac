#include "bench/bench_streams.h"

#include <algorithm>
#include <vector>

#include "files/sector_file.h"
#include "sector/cd_sector.h"

namespace vorlix::bench {
namespace {

constexpr std::int64_t kBatch = 448;
constexpr int kChunksPerFrame = 10;
constexpr int kAudioEvery = 8;

void PutLe(std::uint8_t* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Content that is neither black nor silent; the checksums are left out, as Rip does not read them.
void Fill(std::uint8_t* from, std::uint8_t* to, std::int64_t sector) {
    for (std::uint8_t* p = from; p < to; ++p)
        *p = static_cast<std::uint8_t>(sector * 7 + (p - from) * 13 + 1);
}

void MovieSector(MutableSectorView s, std::int64_t sector, std::int64_t k, std::int64_t count) {
    if (k % kAudioEvery == kAudioEvery - 1) {
        WriteMode2Header(s, sector, {1, 1, 0x64, kCodingStereo});
        Fill(s.data() + kUserDataOffset, s.data() + kForm2EdcOffset, sector);
        return;
    }
    // Video sectors are numbered apart from the audio ones.
    const std::int64_t video = k - k / kAudioEvery;
    const std::int64_t videos = count - count / kAudioEvery;
    const std::int64_t frame = video / kChunksPerFrame;
    const auto chunks = static_cast<std::uint32_t>(
        std::min<std::int64_t>(kChunksPerFrame, videos - frame * kChunksPerFrame));
    WriteMode2Header(s, sector, {1, 0, 0x48, 0});
    std::uint8_t* u = s.data() + kUserDataOffset;
    Fill(u + 32, s.data() + kForm1EdcOffset, sector);
    PutLe(u, 0x80010160, 4);
    PutLe(u + 4, static_cast<std::uint32_t>(video % kChunksPerFrame), 2);
    PutLe(u + 6, chunks, 2);
    PutLe(u + 8, static_cast<std::uint32_t>(frame + 1), 4);
    PutLe(u + 12, chunks * 2016 - 16, 4);
    // A black 320 x 240 frame takes two chunks; a movie's one-chunk last frame is a smaller one.
    PutLe(u + 16, chunks > 1 ? 320 : 160, 2);
    PutLe(u + 18, chunks > 1 ? 240 : 112, 2);
    PutLe(u + 20, 0x0800, 2);
    PutLe(u + 22, 0x3800, 2);
    PutLe(u + 24, 6, 2);
    PutLe(u + 26, 2, 2);
    PutLe(u + 28, 0, 4);
}

}  // namespace

void WriteStreams(const std::filesystem::path& image, const std::vector<StreamRange>& ranges) {
    SectorFile file(image, OpenMode::ReadWrite);
    std::vector<std::uint8_t> buffer(kBatch * kRawSectorSize);
    for (const StreamRange& r : ranges) {
        for (std::int64_t k = 0; k < r.count; k += kBatch) {
            const std::int64_t n = std::min(kBatch, r.count - k);
            for (std::int64_t j = 0; j < n; ++j) {
                const std::int64_t i = k + j, sector = r.first + i;
                const MutableSectorView s(buffer.data() + j * std::int64_t{kRawSectorSize},
                                          kRawSectorSize);
                switch (r.kind) {
                    case StreamRange::Movie:
                        MovieSector(s, sector, i, r.count);
                        break;
                    case StreamRange::Xa:
                        WriteMode2Header(
                            s, sector, {1, static_cast<std::uint8_t>(i % 8), 0x64, kCodingStereo});
                        Fill(s.data() + kUserDataOffset, s.data() + kRawSectorSize, sector);
                        break;
                    case StreamRange::Dummy:
                        WriteMode2Header(s, sector, {2, 0, 0x08, 0});
                        Fill(s.data() + kUserDataOffset, s.data() + kRawSectorSize, sector);
                        break;
                }
            }
            file.WriteSectors(r.first + k,
                              std::span<const std::uint8_t>(
                                  buffer.data(), static_cast<std::size_t>(n) * kRawSectorSize));
        }
    }
    file.Flush();
    file.Close();
}

}  // namespace vorlix::bench
