#include "support/streams.h"

#include <algorithm>
#include <map>

#include "sector/cd_sector.h"
#include "sector/little_endian.h"
#include "sector/str_sector.h"

namespace vorlix::test {
namespace {

constexpr std::size_t kUser = kUserDataOffset;

std::uint32_t GetLe(const Bytes& b, std::size_t at, int bytes) {
    return bytes == 2 ? ReadLe16(&b[at]) : ReadLe32(&b[at]);
}

MutableSectorView SectorAt(Bytes& image, std::int64_t sector) {
    const std::size_t end = static_cast<std::size_t>(sector + 1) * kRawSectorSize;
    if (image.size() < end) image.resize(end, 0);
    return MutableSectorView(image.data() + sector * static_cast<std::int64_t>(kRawSectorSize),
                             kRawSectorSize);
}

void WriteXaSector(Bytes& image, std::int64_t s, std::uint8_t file, std::uint8_t channel,
                   std::uint8_t coding, std::uint8_t submode, bool no_edc) {
    MutableSectorView sector = SectorAt(image, s);
    WriteMode2Header(sector, s, {file, channel, submode, coding});
    for (std::size_t i = kUser; i < kUser + 18 * 128; ++i)
        sector[i] = static_cast<std::uint8_t>(i * 13 + s);
    std::fill(sector.begin() + 0x918, sector.end(), 0);
    if (!no_edc) SealForm2(sector);
}

}  // namespace

std::int64_t WriteMovie(Bytes& image, const SyntheticMovie& m) {
    std::int64_t s = m.first;
    for (int f = 0; f < m.frames; ++f) {
        for (int c = 0; c < m.chunks; ++c) {
            if (m.audio_every > 0 && (s - m.first) % m.audio_every == m.audio_every - 1)
                WriteXaSector(image, s++, m.file, m.channel, m.audio_coding, 0x64, false);
            MutableSectorView sector = SectorAt(image, s);
            const bool last = f + 1 == m.frames && c + 1 == m.chunks;
            WriteMode2Header(sector, s,
                             {m.file, m.channel,
                              static_cast<std::uint8_t>(m.data_submode | (last ? 0x81 : 0)), 0});
            // The bitstream header: an arbitrary word count 0440, 3800, quantisation scale 7.
            WriteStrSectorHeader(
                sector.data() + kUser,
                {static_cast<std::uint16_t>(c),
                 static_cast<std::uint16_t>(m.chunks),
                 static_cast<std::uint32_t>(f + 1),
                 m.frame_size,
                 m.width,
                 m.height,
                 {0x40, 0x04, 0x00, 0x38, 0x07, 0x00, static_cast<std::uint8_t>(m.version),
                  static_cast<std::uint8_t>(m.version >> 8)}});
            for (std::size_t i = kUser + 32; i < kUser + 2048; ++i)
                sector[i] = static_cast<std::uint8_t>(i * 7 + s * 3 + 1);
            SealForm1(sector);
            ++s;
        }
    }
    return s - m.first;
}

void WriteXa(Bytes& image, std::int64_t first, std::int64_t count, int channels,
             const std::vector<std::uint8_t>& codings, bool no_edc) {
    for (std::int64_t k = 0; k < count; ++k) {
        const int channel = static_cast<int>(k % channels);
        // The last sector of each channel ends its record and the file.
        const bool last = k + channels >= count;
        WriteXaSector(image, first + k, 2, static_cast<std::uint8_t>(channel),
                      codings[static_cast<std::size_t>(channel) % codings.size()],
                      last ? 0xE5 : 0x64, no_edc);
    }
}

void WriteData(Bytes& image, std::int64_t first, std::int64_t count, std::uint8_t file,
               bool sealed) {
    for (std::int64_t k = 0; k < count; ++k) {
        MutableSectorView sector = SectorAt(image, first + k);
        WriteMode2Header(sector, first + k,
                         {file, 0, static_cast<std::uint8_t>(k + 1 == count ? 0x89 : 0x08), 0});
        for (std::size_t i = kUser; i < kUser + 2048; ++i)
            sector[i] = static_cast<std::uint8_t>(i * 5 + k);
        if (sealed) SealForm1(sector);
    }
}

std::vector<ParsedFrame> ParseFrames(const Bytes& image, std::int64_t first, std::int64_t count) {
    std::vector<ParsedFrame> done;
    std::map<int, ParsedFrame> open;
    std::map<int, std::uint32_t> next_chunk;
    for (std::int64_t s = first; s < first + count; ++s) {
        const std::size_t at = static_cast<std::size_t>(s) * kRawSectorSize;
        if (at + kRawSectorSize > image.size()) break;
        if (image[at + 0x12] & 0x20 || GetLe(image, at + kUser, 4) != 0x80010160) continue;
        int channel = image[at + 0x11];
        const std::uint32_t chunk = GetLe(image, at + kUser + 4, 2);
        // A last chunk on another channel (the end-of-file sector mastering tools write) still
        // belongs to the frame it continues.
        for (const auto& [c, f] : open)
            if (chunk != 0 && !open.count(channel) && next_chunk[c] == chunk &&
                f.number == GetLe(image, at + kUser + 8, 4))
                channel = c;
        if (chunk == 0) {
            ParsedFrame f;
            f.first_sector = s;
            f.channel = channel;
            f.number = GetLe(image, at + kUser + 8, 4);
            f.chunks = GetLe(image, at + kUser + 6, 2);
            f.width = static_cast<std::uint16_t>(GetLe(image, at + kUser + 16, 2));
            f.height = static_cast<std::uint16_t>(GetLe(image, at + kUser + 18, 2));
            f.version = static_cast<std::uint16_t>(GetLe(image, at + kUser + 26, 2));
            f.bytes.reserve(f.chunks * 2016);
            open[channel] = f;
            next_chunk[channel] = 0;
        }
        if (!open.count(channel) || next_chunk[channel] != chunk) continue;
        ParsedFrame& f = open[channel];
        f.bytes.insert(f.bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at + kUser + 32),
                       image.begin() + static_cast<std::ptrdiff_t>(at + kUser + 2048));
        if (++next_chunk[channel] == f.chunks) {
            f.bytes.resize(GetLe(image, at + kUser + 12, 4));
            done.push_back(std::move(f));
            open.erase(channel);
        }
    }
    std::ranges::sort(done, {}, &ParsedFrame::first_sector);
    return done;
}

namespace {

class BitReader {
public:
    explicit BitReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    int Bit() {
        const std::size_t word = pos_ / 16 * 2;
        if (word + 1 >= bytes_.size()) {
            overrun_ = true;
            return 0;
        }
        const unsigned w = bytes_[word] | bytes_[word + 1] << 8;
        const int bit = (w >> (15 - pos_ % 16)) & 1;
        ++pos_;
        return bit;
    }
    int Bits(int n) {
        int v = 0;
        for (int i = 0; i < n; ++i) v = v << 1 | Bit();
        return v;
    }
    bool overrun() const { return overrun_; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_ = 8 * 8;  // after the 8-byte header
    bool overrun_ = false;
};

// MPEG-1 DC size codes (ISO/IEC 11172-2 tables B.12 and B.13), as bit strings.
const std::vector<std::string> kLumaSizes = {"100",  "00",    "01",     "101",    "110",
                                             "1110", "11110", "111110", "1111110"};
const std::vector<std::string> kChromaSizes = {"00",    "01",     "10",      "110",     "1110",
                                               "11110", "111110", "1111110", "11111110"};

int ReadSize(BitReader& r, const std::vector<std::string>& table) {
    std::string code;
    while (code.size() < 9) {
        code += static_cast<char>('0' + r.Bit());
        for (std::size_t s = 0; s < table.size(); ++s)
            if (table[s] == code) return static_cast<int>(s);
    }
    return -1;
}

}  // namespace

std::string BlackFrameProblem(const std::vector<std::uint8_t>& frame, std::uint16_t width,
                              std::uint16_t height) {
    if (frame.size() < 8) return "shorter than its header";
    const unsigned magic = frame[2] | frame[3] << 8, scale = frame[4] | frame[5] << 8;
    const unsigned version = frame[6] | frame[7] << 8;
    if (magic != 0x3800 || scale == 0 || scale > 63) return "bad frame header";
    if (version != 2 && version != 3) return "version " + std::to_string(version);
    BitReader r(frame);
    const int macroblocks = ((width + 15) / 16) * ((height + 15) / 16);
    int predictor[3] = {0, 0, 0};  // version 3: Y, Cb, Cr, in units of 4
    for (int m = 0; m < macroblocks; ++m) {
        for (int b = 0; b < 6; ++b) {
            const bool luma = b >= 2;
            int dc = 0;
            if (version == 2) {
                dc = r.Bits(10);
                if (dc >= 512) dc -= 1024;
            } else {
                const int size = ReadSize(r, luma ? kLumaSizes : kChromaSizes);
                if (size < 0) return "bad DC size code in macroblock " + std::to_string(m);
                int diff = size == 0 ? 0 : r.Bits(size);
                if (size > 0 && diff < (1 << (size - 1))) diff -= (1 << size) - 1;
                int& p = predictor[luma ? 0 : (b == 1 ? 1 : 2)];
                p += diff;
                dc = p * 4;
            }
            if (dc != (luma ? -512 : 0))
                return "DC " + std::to_string(dc) + " in macroblock " + std::to_string(m);
            if (r.Bits(2) != 0b10) return "AC code in macroblock " + std::to_string(m);
        }
    }
    if (r.overrun()) return "bitstream runs past the frame";
    return "";
}

bool IsSilentXa(const Bytes& image, std::int64_t sector) {
    const std::size_t at = static_cast<std::size_t>(sector) * kRawSectorSize;
    for (int g = 0; g < 18; ++g) {
        const std::size_t group = at + kUser + static_cast<std::size_t>(g) * 128;
        for (int p = 0; p < 16; ++p)
            if (image[group + p] & 0x30) return false;  // filter
        for (int i = 16; i < 128; ++i)
            if (image[group + i] != 0) return false;
    }
    return std::all_of(image.begin() + static_cast<std::ptrdiff_t>(at + 0x918),
                       image.begin() + static_cast<std::ptrdiff_t>(at + 0x92C),
                       [](std::uint8_t b) { return b == 0; });
}

}  // namespace vorlix::test
