#include "bench/bench_streams.h"

#include <algorithm>
#include <vector>

#include "files/sector_file.h"
#include "sector/cd_sector.h"
#include "sector/str_sector.h"

namespace vorlix::bench {
namespace {

constexpr std::int64_t kBatch = 448;
constexpr int kChunksPerFrame = 10;
constexpr int kAudioEvery = 8;

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
    // A black 320 x 240 frame takes two chunks; a movie's one-chunk last frame is a smaller one.
    // The bitstream header: 0800 words, the MDEC magic 3800, quantisation scale 6, version 2.
    WriteStrSectorHeader(u, {static_cast<std::uint16_t>(video % kChunksPerFrame),
                             static_cast<std::uint16_t>(chunks),
                             static_cast<std::uint32_t>(frame + 1),
                             static_cast<std::uint32_t>(chunks * kStrChunkSize - 16),
                             static_cast<std::uint16_t>(chunks > 1 ? 320 : 160),
                             static_cast<std::uint16_t>(chunks > 1 ? 240 : 112),
                             {0x00, 0x08, 0x00, 0x38, 0x06, 0x00, 0x02, 0x00}});
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
