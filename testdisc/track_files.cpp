#include "testdisc/track_files.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <string>

#include "sector/little_endian.h"

namespace vorlix::test::building {
namespace {

// Sectors go out in large writes; each gets its address as it is copied into the buffer.
class SectorWriter {
public:
    explicit SectorWriter(const std::filesystem::path& path)
        : file_(std::fopen(path.c_str(), "wb")), path_(path) {
        if (!file_) throw std::runtime_error("cannot create " + path.string());
        buffer_.resize(kBatch * kRawSectorSize);
    }
    ~SectorWriter() {
        if (file_) std::fclose(file_);
    }
    SectorWriter(const SectorWriter&) = delete;
    SectorWriter& operator=(const SectorWriter&) = delete;

    void Put(const RawSector& sector) {
        std::uint8_t* out = buffer_.data() + used_ * kRawSectorSize;
        std::memcpy(out, sector.data(), kRawSectorSize);
        const auto address = BcdAddress(next_++);
        std::memcpy(out + kAddressOffset, address.data(), 3);
        if (++used_ == kBatch) Flush();
    }
    std::int64_t Position() const { return next_; }
    void Close() {
        Flush();
        if (std::fclose(file_) != 0) {
            file_ = nullptr;
            throw std::runtime_error("cannot write " + path_.string());
        }
        file_ = nullptr;
    }

private:
    static constexpr std::size_t kBatch = 2048;
    void Flush() {
        if (used_ > 0 && std::fwrite(buffer_.data(), kRawSectorSize, used_, file_) != used_)
            throw std::runtime_error("cannot write " + path_.string());
        used_ = 0;
    }
    std::FILE* file_;
    std::filesystem::path path_;
    Bytes buffer_;
    std::size_t used_ = 0;
    std::int64_t next_ = 0;
};

std::string CueTime(std::int64_t sector) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(sector / 4500),
                  static_cast<int>(sector / 75 % 60), static_cast<int>(sector % 75));
    return text;
}

}  // namespace

void WriteDataTrack(const std::filesystem::path& bin, const Iso9660Writer& iso,
                    const std::vector<Item>& items, std::int64_t total, bool no_file_system) {
    SectorWriter out(bin);
    const RawSector system = Form1Sector({0, 0, kSubmodeFileData, 0}, nullptr, 0);
    for (std::int64_t s = 0; s < Iso9660Writer::kVolumeDescriptorSector; ++s) out.Put(system);
    const std::vector<IsoBlock> blocks = iso.Blocks(total);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (no_file_system) {
            out.Put(system);
            continue;
        }
        // The descriptor ends a record; the terminator, path tables and directories are each a
        // one-sector record of their own.
        const std::uint8_t submode = i == 0 ? kSubmodeData | kSubmodeEndOfRecord : kSubmodeLastData;
        out.Put(Form1Sector({0, 0, submode, 0}, blocks[i].data(), blocks[i].size()));
    }
    for (const Item& item : items) {
        if (out.Position() != item.first) throw std::logic_error("layout mismatch");
        for (std::int64_t i = 0; i < item.Count(); ++i) out.Put(item.At(i));
    }
    out.Close();
}

void WriteAudioTrack(const std::filesystem::path& path, bool append) {
    // A quiet 441 Hz sine, 16-bit little-endian stereo at 44.1 kHz.
    Bytes pcm(static_cast<std::size_t>(kAudioTrackSectors) * kRawSectorSize);
    const std::size_t frames = pcm.size() / 4;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<std::int16_t>(std::lround(
            1000.0 * std::sin(2.0 * std::numbers::pi * static_cast<double>(i % 100) / 100.0)));
        const auto u = static_cast<std::uint16_t>(sample);
        WriteLe16(&pcm[4 * i], u);
        WriteLe16(&pcm[4 * i + 2], u);
    }
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteCue(const BuiltDisc& disc, const DiscOptions& options) {
    const std::string data_file =
        options.cue_track_file.empty() ? disc.bin.filename().string() : options.cue_track_file;
    std::string text = "FILE \"" + data_file + "\" BINARY\r\n" +
                       "  TRACK 01 MODE2/2352\r\n"
                       "    INDEX 01 00:00:00\r\n";
    if (!options.audio_track_file.empty())
        text += "FILE \"" + options.audio_track_file + "\" " + options.audio_file_type + "\r\n";
    else if (disc.audio_bin != disc.bin)
        text += "FILE \"" + disc.audio_bin.filename().string() + "\" BINARY\r\n";
    const std::int64_t audio = disc.audio_first_sector + (options.audio_past_end ? 100000 : 0);
    text += "  TRACK 02 AUDIO\r\n    INDEX 00 " + CueTime(audio) + "\r\n    INDEX 01 " +
            CueTime(audio + 150) + "\r\n";
    std::ofstream out(disc.cue, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + disc.cue.string());
}

void PointRootAt(const std::filesystem::path& bin, std::uint32_t extent) {
    constexpr std::int64_t kPvdSector = 16;
    constexpr std::size_t kRootExtent = kUserDataOffset + 156 + 2;  // both-endian, LE first
    std::fstream file(bin, std::ios::binary | std::ios::in | std::ios::out);
    RawSector sector{};
    file.seekg(SectorOffset(kPvdSector));
    file.read(reinterpret_cast<char*>(sector.data()), kRawSectorSize);
    WriteLe32(sector.data() + kRootExtent, extent);
    for (int i = 0; i < 4; ++i)
        sector[kRootExtent + 4 + i] = static_cast<std::uint8_t>(extent >> (24 - 8 * i));
    SealForm1(sector);
    file.seekp(SectorOffset(kPvdSector));
    file.write(reinterpret_cast<const char*>(sector.data()), kRawSectorSize);
    if (!file) throw std::runtime_error("cannot rewrite " + bin.string());
}

void KeepOnlyUserData(const std::filesystem::path& path, int sector_size) {
    const std::size_t skip = sector_size == 2048 ? kUserDataOffset : 16;
    std::ifstream in(path, std::ios::binary);
    const Bytes raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    Bytes out;
    for (std::size_t at = 0; at + kRawSectorSize <= raw.size(); at += kRawSectorSize)
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at + skip),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + skip) + sector_size);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace vorlix::test::building
