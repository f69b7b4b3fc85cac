#include "testdisc/psx_disc_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>
#include <utility>

#include "entries/type_codes.h"
#include "sector/cd_sector.h"
#include "testdisc/iso9660_writer.h"

namespace vorlix::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kChunkBytes = 2016;  // frame bytes per video sector
constexpr std::size_t kStrHeaderBytes = 32;
constexpr std::size_t kXaGroupBytes = 128;
constexpr int kXaGroups = 18;
constexpr std::uint8_t kStreamFile = 1;  // sub-header file number of movies and XA
constexpr std::uint8_t kVideoChannel = 0;
constexpr std::uint8_t kMovieAudioChannel = 1;

constexpr std::uint8_t kSubmodeFileData = kSubmodeData;
constexpr std::uint8_t kSubmodeLastData = kSubmodeData | kSubmodeEndOfRecord | kSubmodeEndOfFile;
constexpr std::uint8_t kSubmodeMovie = kSubmodeRealTime | kSubmodeData;
constexpr std::uint8_t kSubmodeXa = kSubmodeRealTime | kSubmodeForm2 | kSubmodeAudio;
constexpr std::uint8_t kEndBits = kSubmodeEndOfRecord | kSubmodeEndOfFile;

constexpr std::int64_t kTrailingEmptySectors = 16;
constexpr std::int64_t kAudioTrackSectors = 300;

// splitmix64: the same bytes on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Range(int low, int high) {  // inclusive
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    void Fill(std::uint8_t* out, std::size_t n) {
        for (std::size_t i = 0; i < n; i += 8) {
            const std::uint64_t v = Next();
            for (std::size_t k = 0; k < 8 && i + k < n; ++k)
                out[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
        }
    }
    Bytes Bytes_(std::size_t n) {
        Bytes b(n);
        Fill(b.data(), n);
        return b;
    }

private:
    std::uint64_t state_;
};

void PutLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Sectors are sealed as if at position 0: in Mode 2 neither EDC nor ECC covers the address, so
// only the three address bytes change when the sector takes its place.
RawSector Form1Sector(SubHeader sub, const std::uint8_t* data, std::size_t size) {
    RawSector s{};
    WriteMode2Header(s, 0, sub);
    if (size > 0) std::memcpy(s.data() + kUserDataOffset, data, std::min(size, kForm1DataSize));
    SealForm1(s);
    return s;
}

RawSector Form2Sector(SubHeader sub, const std::uint8_t* data, std::size_t size, bool edc) {
    RawSector s{};
    WriteMode2Header(s, 0, sub);
    if (size > 0) std::memcpy(s.data() + kUserDataOffset, data, std::min(size, kForm2DataSize));
    if (edc) SealForm2(s);
    return s;
}

struct StreamPart {
    std::int64_t first = 0, last = 0;  // relative to the item
    BuiltStream::Kind kind = BuiltStream::Movie;
    int frames = 0;
    std::uint16_t width = 0, height = 0, version = 0;
    int channels = 0;
};

// A file's sectors (or a run no file covers) before it has its place on the disc.
struct Item {
    std::string path;  // empty: sectors no file covers
    std::string role;  // empty for runs no file covers and the empty tail
    std::uint16_t attributes = kXaPlainFile;
    std::uint8_t file_number = 0;
    std::int64_t recorded_size = -1;  // bytes; -1: 2048 a sector
    std::vector<RawSector> sectors;
    // Long padding files: `cycle` repeated, then `last`, `repeat_count` sectors in all.
    std::int64_t repeat_count = 0;
    std::vector<RawSector> cycle;
    RawSector last{};
    std::vector<StreamPart> streams;
    std::int64_t first = 0;

    std::int64_t Count() const {
        return repeat_count > 0 ? repeat_count : static_cast<std::int64_t>(sectors.size());
    }
    const RawSector& At(std::int64_t i) const {
        if (repeat_count == 0) return sectors[static_cast<std::size_t>(i)];
        if (i == repeat_count - 1) return last;
        return cycle[static_cast<std::size_t>(i) % cycle.size()];
    }
    std::int64_t RecordedSize() const {
        return recorded_size >= 0 ? recorded_size : Count() * 2048;
    }
};

// Form 1 data sectors of `content`: submode 08, the last one 89 when it ends the file.
std::vector<RawSector> DataSectors(const Bytes& content, bool ends_file = true) {
    const std::size_t count = std::max<std::size_t>(1, (content.size() + 2047) / 2048);
    std::vector<RawSector> sectors;
    sectors.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = i * 2048;
        const std::size_t size =
            at < content.size() ? std::min<std::size_t>(2048, content.size() - at) : 0;
        const std::uint8_t submode =
            ends_file && i + 1 == count ? kSubmodeLastData : kSubmodeFileData;
        sectors.push_back(Form1Sector({0, 0, submode, 0}, content.data() + at, size));
    }
    return sectors;
}

Item DataFile(std::string path, std::string role, const Bytes& content) {
    Item item;
    item.path = std::move(path);
    item.role = std::move(role);
    item.sectors = DataSectors(content);
    item.recorded_size = static_cast<std::int64_t>(content.size());
    return item;
}

// One XA ADPCM sector's 2324 data bytes: 18 sound groups with valid parameters (range 0..12,
// filter 0..3) and pseudo-random samples, then 20 zero bytes.
Bytes XaData(std::uint8_t coding, Rng& rng) {
    Bytes data(kForm2DataSize, 0);
    const bool eight_bit = (coding & kCoding8Bit) != 0;
    for (int g = 0; g < kXaGroups; ++g) {
        std::uint8_t* group = data.data() + static_cast<std::size_t>(g) * kXaGroupBytes;
        std::uint8_t units[8];
        for (auto& u : units)
            u = static_cast<std::uint8_t>(rng.Range(0, 3) << 4 | rng.Range(0, 12));
        if (eight_bit) {
            // Four sound units, their parameters four times over.
            for (int i = 0; i < 16; ++i) group[i] = units[i % 4];
        } else {
            // Eight sound units: 0-3, 0-3, 4-7, 4-7.
            static constexpr int kOrder[16] = {0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 6, 7, 4, 5, 6, 7};
            for (int i = 0; i < 16; ++i) group[i] = units[kOrder[i]];
        }
        rng.Fill(group + 16, kXaGroupBytes - 16);
    }
    return data;
}

RawSector XaSector(std::uint8_t channel, std::uint8_t submode, std::uint8_t coding, Rng& rng,
                   bool edc) {
    const Bytes data = XaData(coding, rng);
    return Form2Sector({kStreamFile, channel, submode, coding}, data.data(), data.size(), edc);
}

// `per_channel` sectors on each of `codings.size()` channels, one sector a channel in turn; each
// channel's last sector ends the record and the file when `mark_end`.
std::vector<RawSector> XaStream(const std::vector<std::uint8_t>& codings, int per_channel, bool edc,
                                bool mark_end, std::uint64_t seed) {
    Rng rng(seed);
    std::vector<RawSector> sectors;
    const int channels = static_cast<int>(codings.size());
    for (int round = 0; round < per_channel; ++round) {
        for (int c = 0; c < channels; ++c) {
            const bool end = mark_end && round + 1 == per_channel;
            sectors.push_back(XaSector(static_cast<std::uint8_t>(c),
                                       end ? kSubmodeXa | kEndBits : kSubmodeXa,
                                       codings[static_cast<std::size_t>(c)], rng, edc));
        }
    }
    return sectors;
}

struct Movie {
    std::vector<RawSector> sectors;
    int frames = 0;
    bool audio = false;
};

// A movie's sectors: each frame in 2016-byte chunks behind the STR sector header; with an audio
// interleave N, every Nth sector is XA audio. A movie file's last sector ends the record and file.
Movie MakeMovie(const MovieSpec& wanted, std::uint64_t seed, bool mark_end) {
    Rng rng(seed);
    if (!wanted.encoder && wanted.version != 2)
        throw std::invalid_argument(wanted.path + ": bitstream version " +
                                    std::to_string(wanted.version) +
                                    " needs its own frame encoder");
    const FrameEncoder& encoder = wanted.encoder ? wanted.encoder : FrameEncoder(EncodeTestFrameV2);
    std::vector<RawSector> video;
    for (int f = 1; f <= wanted.frames; ++f) {
        const int planned = rng.Range(wanted.min_sectors_per_frame, wanted.max_sectors_per_frame);
        FrameRequest request{
            wanted.width, wanted.height, f, wanted.version,
            (static_cast<std::size_t>(planned) * kChunkBytes - kChunkBytes / 2) / 4 * 4};
        const Bytes frame = encoder(request);
        if (frame.size() < 8 || frame.size() % 4 != 0)
            throw std::logic_error("frame encoder gave a frame of " + std::to_string(frame.size()) +
                                   " bytes");
        const std::size_t chunks = (frame.size() + kChunkBytes - 1) / kChunkBytes;
        for (std::size_t c = 0; c < chunks; ++c) {
            std::uint8_t user[kForm1DataSize] = {};
            PutLe16(user + 0x00, 0x0160);
            PutLe16(user + 0x02, 0x8001);
            PutLe16(user + 0x04, static_cast<std::uint32_t>(c));
            PutLe16(user + 0x06, static_cast<std::uint32_t>(chunks));
            PutLe32(user + 0x08, static_cast<std::uint32_t>(f));
            PutLe32(user + 0x0C, static_cast<std::uint32_t>(frame.size()));
            PutLe16(user + 0x10, wanted.width);
            PutLe16(user + 0x12, wanted.height);
            std::memcpy(user + 0x14, frame.data(), 8);
            const std::size_t at = c * kChunkBytes;
            std::memcpy(user + kStrHeaderBytes, frame.data() + at,
                        std::min(kChunkBytes, frame.size() - at));
            video.push_back(
                Form1Sector({kStreamFile, kVideoChannel, kSubmodeMovie, 0}, user, kForm1DataSize));
        }
    }

    Movie movie;
    movie.frames = wanted.frames;
    movie.audio = wanted.audio_interleave > 0;
    std::size_t next_video = 0;
    for (std::int64_t i = 0; next_video < video.size(); ++i) {
        if (movie.audio && i % wanted.audio_interleave == wanted.audio_interleave - 1)
            movie.sectors.push_back(
                XaSector(kMovieAudioChannel, kSubmodeXa, kCodingStereo, rng, true));
        else
            movie.sectors.push_back(video[next_video++]);
    }
    if (mark_end) {
        // Same content, new sub-header: only the end bits change, so reseal.
        RawSector& last = movie.sectors.back();
        const std::uint8_t submode = last[kSubHeaderOffset + 2] | kEndBits;
        last[kSubHeaderOffset + 2] = last[kSubHeaderOffset + 6] = submode;
        SealForm1(last);
    }
    return movie;
}

// Gives a Form 1 sector another sub-header, as a mastering tool writes it.
void SetSubHeader(RawSector& s, SubHeader sub) {
    WriteMode2Header(s, 0, sub);
    SealForm1(s);
}

Item MovieFile(const MovieSpec& wanted, Movie movie) {
    Item item;
    item.path = wanted.path;
    item.role = movie.audio ? "movie+audio" : "movie";
    // Mixed Form 1 video and Form 2 audio is an interleaved Form 2 file to the mastering tools.
    item.attributes = movie.audio ? kXaStreamFile : kXaPlainFile;
    item.file_number = kStreamFile;
    item.streams.push_back({0, static_cast<std::int64_t>(movie.sectors.size()) - 1,
                            movie.audio ? BuiltStream::MovieWithAudio : BuiltStream::Movie,
                            movie.frames, wanted.width, wanted.height, wanted.version,
                            movie.audio ? 1 : 0});
    item.sectors = std::move(movie.sectors);
    return item;
}

Item MovieFile(const MovieSpec& wanted, std::uint64_t seed) {
    return MovieFile(wanted, MakeMovie(wanted, seed, true));
}

// The mastering tools' layouts (see DiscOptions).
std::vector<Item> MasteredMovies(const DiscOptions& options, std::uint64_t& seed) {
    std::vector<Item> items;
    if (options.mastered_movie) {
        const MovieSpec wanted{"/MOVIE/MASTERED.STR", 320, 240, 12, 2, 0, 10, 10, {}};
        Movie movie = MakeMovie(wanted, ++seed, false);
        for (RawSector& s : movie.sectors) SetSubHeader(s, {0, 1, kSubmodeMovie, 0});
        SetSubHeader(movie.sectors.back(), {0, 0, kSubmodeLastData, 0});
        items.push_back(MovieFile(wanted, std::move(movie)));
    }
    if (options.interleaved_movies) {
        MovieSpec wanted{"/MOVIE/PAIR.STR", 320, 240, 8, 2, 0, 4, 7, {}};
        const Movie a = MakeMovie(wanted, ++seed, false);
        Movie b = MakeMovie(wanted, ++seed, false);
        for (RawSector& s : b.sectors) SetSubHeader(s, {kStreamFile, 1, kSubmodeMovie, 0});
        Movie pair;
        for (std::size_t i = 0; i < std::max(a.sectors.size(), b.sectors.size()); ++i)
            for (const Movie* m : std::array<const Movie*, 2>{&a, &b})
                if (i < m->sectors.size()) pair.sectors.push_back(m->sectors[i]);
        pair.frames = a.frames + b.frames;
        wanted.frames = pair.frames;
        items.push_back(MovieFile(wanted, std::move(pair)));
    }
    if (options.record_ends) {
        const MovieSpec wanted{"/MOVIE/RECORDS.STR", 256, 176, 15, 2, 0, 3, 6, {}};
        Movie movie = MakeMovie(wanted, ++seed, true);
        for (RawSector& s : movie.sectors) {
            const std::uint8_t* user = s.data() + kUserDataOffset;
            if ((user[4] | user[5] << 8) + 1 == (user[6] | user[7] << 8))
                SetSubHeader(s, {s[0x10], s[0x11],
                                 static_cast<std::uint8_t>(s[0x12] | kSubmodeEndOfRecord), 0});
        }
        items.push_back(MovieFile(wanted, std::move(movie)));
    }
    return items;
}

Bytes SystemCnf() {
    const std::string text =
        "BOOT = cdrom:\\SLUS_000.01;1\r\nTCB = 4\r\nEVENT = 10\r\nSTACK = 801FFFF0\r\n";
    return Bytes(text.begin(), text.end());
}

Bytes Executable(Rng& rng, std::size_t sectors) {
    Bytes exe = rng.Bytes_(sectors * 2048);
    std::fill(exe.begin(), exe.begin() + 2048, 0);
    std::memcpy(exe.data(), "PS-X EXE", 8);
    PutLe32(exe.data() + 0x10, 0x80010000);  // initial pc
    PutLe32(exe.data() + 0x18, 0x80010000);  // load address
    PutLe32(exe.data() + 0x1C, static_cast<std::uint32_t>(exe.size() - 2048));
    PutLe32(exe.data() + 0x30, 0x801FFFF0);  // stack
    return exe;
}

// 256 x 256 pixels, 4 bits each, with a 16-colour CLUT.
Bytes Tim(Rng& rng) {
    constexpr std::uint32_t kClutBlock = 12 + 16 * 2;
    constexpr std::uint16_t kWidthWords = 64, kHeight = 256;
    constexpr std::uint32_t kImageBlock = 12 + kWidthWords * 2u * kHeight;
    Bytes tim(8 + kClutBlock + kImageBlock, 0);
    std::uint8_t* p = tim.data();
    PutLe32(p, 0x10);
    PutLe32(p + 4, 0x08);  // 4-bit, CLUT present
    p += 8;
    PutLe32(p, kClutBlock);
    PutLe16(p + 4, 0);
    PutLe16(p + 6, 480);
    PutLe16(p + 8, 16);
    PutLe16(p + 10, 1);
    for (int i = 0; i < 16; ++i) PutLe16(p + 12 + 2 * i, static_cast<std::uint32_t>(i * 0x0842));
    p += kClutBlock;
    PutLe32(p, kImageBlock);
    PutLe16(p + 4, 640);
    PutLe16(p + 6, 0);
    PutLe16(p + 8, kWidthWords);
    PutLe16(p + 10, kHeight);
    rng.Fill(p + 12, kImageBlock - 12);
    return tim;
}

Bytes VabHeader(Rng& rng, std::uint32_t body_size) {
    constexpr int kPrograms = 4;
    Bytes vh(32 + 128 * 16 + kPrograms * 16 * 32 + 256 * 2, 0);
    std::memcpy(vh.data(), "pBAV", 4);
    PutLe32(vh.data() + 4, 7);  // format version
    PutLe32(vh.data() + 12, static_cast<std::uint32_t>(vh.size()) + body_size);
    PutLe16(vh.data() + 18, kPrograms);
    PutLe16(vh.data() + 20, kPrograms * 4);  // tones
    PutLe16(vh.data() + 22, 16);             // VAG samples
    vh[24] = 127;                            // master volume
    vh[25] = 64;                             // pan
    rng.Fill(vh.data() + 32, static_cast<std::size_t>(kPrograms) * 16);
    rng.Fill(vh.data() + 32 + 128 * 16, static_cast<std::size_t>(kPrograms) * 16 * 32);
    return vh;
}

// SPU ADPCM blocks: a shift/filter byte, a flag byte, 14 bytes of samples.
Bytes VabBody(Rng& rng, std::size_t sectors) {
    Bytes vb = rng.Bytes_(sectors * 2048);
    for (std::size_t i = 0; i < vb.size(); i += 16) {
        vb[i] = static_cast<std::uint8_t>(rng.Range(0, 4) << 4 | rng.Range(0, 12));
        vb[i + 1] = 0;
    }
    return vb;
}

Bytes Seq(Rng& rng) {
    Bytes seq = rng.Bytes_(9000);
    std::memcpy(seq.data(), "pQES", 4);
    PutLe32(seq.data() + 4, 0x01000000);  // version 1, big-endian like the rest of the header
    seq[8] = 0x01;                        // resolution 480
    seq[9] = 0xE0;
    return seq;
}

// `sectors` Form 1 data sectors: `distinct` pseudo-random payloads in turn, the last one 89.
// Sealing each payload once keeps a 700 MB image quick to make.
Item PaddingFile(std::string path, std::int64_t sectors, std::uint64_t seed) {
    Rng rng(seed);
    Item item;
    item.path = std::move(path);
    item.role = "data";
    constexpr int kDistinct = 61;
    for (int i = 0; i < kDistinct; ++i) {
        const Bytes data = rng.Bytes_(2048);
        item.cycle.push_back(Form1Sector({0, 0, kSubmodeFileData, 0}, data.data(), data.size()));
    }
    const Bytes data = rng.Bytes_(2048);
    item.last = Form1Sector({0, 0, kSubmodeLastData, 0}, data.data(), data.size());
    item.repeat_count = sectors;
    return item;
}

// `count` Form 1 sectors holding nothing but directory records, packed as a directory's are:
// `record(block, k)` gives the k-th record of a block, up to 48 a block.
Item RecordSectors(std::int64_t count,
                   const std::function<Bytes(std::int64_t block, int k)>& record) {
    Item item;
    for (std::int64_t b = 0; b < count; ++b) {
        Bytes block;
        for (int k = 0; k < 48; ++k) {
            const Bytes r = record(b, k);
            if (block.size() + r.size() > 2048) break;
            block.insert(block.end(), r.begin(), r.end());
        }
        item.sectors.push_back(
            Form1Sector({0, 0, kSubmodeLastData, 0}, block.data(), block.size()));
    }
    return item;
}

std::string Numbered(char letter, std::int64_t block, int k) {
    return letter + std::to_string(block) + "_" + std::to_string(k);
}

int CodeOf(const std::string& role) {
    if (role == "movie") return kCodeMovie;
    if (role == "movie+audio") return kCodeMovieWithAudio;
    if (role == "xa") return kCodeXaAudio;
    if (role == "tim") return kCodeTim;
    if (role == "vab-header") return kCodeVabHeader;
    if (role == "vab-body") return kCodeVabBody;
    if (role == "seq") return kCodeSeq;
    if (role == "dummy") return kCodeDummy;
    return kNotListed;
}

int CodeOf(BuiltStream::Kind kind) {
    switch (kind) {
        case BuiltStream::Movie:
            return kCodeMovie;
        case BuiltStream::MovieWithAudio:
            return kCodeMovieWithAudio;
        case BuiltStream::Xa:
            return kCodeXaAudio;
    }
    return kNotListed;
}

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

// Appends to `path` when asked (the single-bin layout), else writes it anew.
void WriteAudioTrack(const std::filesystem::path& path, bool append) {
    // A quiet 441 Hz sine, 16-bit little-endian stereo at 44.1 kHz.
    Bytes pcm(static_cast<std::size_t>(kAudioTrackSectors) * kRawSectorSize);
    const std::size_t frames = pcm.size() / 4;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<std::int16_t>(std::lround(
            1000.0 * std::sin(2.0 * std::numbers::pi * static_cast<double>(i % 100) / 100.0)));
        const auto u = static_cast<std::uint16_t>(sample);
        PutLe16(&pcm[4 * i], u);
        PutLe16(&pcm[4 * i + 2], u);
    }
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(pcm.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string CueTime(std::int64_t sector) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(sector / 4500),
                  static_cast<int>(sector / 75 % 60), static_cast<int>(sector % 75));
    return text;
}

// Track 2's pregap is its file's first two seconds, or in a single .bin the two seconds after
// the data track.
void WriteCue(const BuiltDisc& disc, const DiscOptions& options) {
    const std::string data_file =
        options.cue_track_file.empty() ? disc.bin.filename().string() : options.cue_track_file;
    std::string text = "FILE \"" + data_file + "\" BINARY\r\n" +
                       "  TRACK 01 MODE2/2352\r\n"
                       "    INDEX 01 00:00:00\r\n";
    if (disc.audio_bin != disc.bin)
        text += "FILE \"" + disc.audio_bin.filename().string() + "\" BINARY\r\n";
    const std::int64_t audio = disc.audio_first_sector + (options.audio_past_end ? 100000 : 0);
    text += "  TRACK 02 AUDIO\r\n    INDEX 00 " + CueTime(audio) + "\r\n    INDEX 01 " +
            CueTime(audio + 150) + "\r\n";
    std::ofstream out(disc.cue, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + disc.cue.string());
}

// Rewrites a raw image as images of other kinds hold it: each sector's sub-header and user data
// (2336 bytes) or its Form 1 user data alone (2048 bytes).
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

}  // namespace

BuiltDisc BuildPsxDisc(const std::filesystem::path& dir, const DiscOptions& options) {
    std::filesystem::create_directories(dir);
    Rng rng(0x5053582D44495343ull);  // fixed: the same disc every time

    // The files and runs in disc order.
    std::vector<Item> items;
    items.push_back(DataFile("/SYSTEM.CNF", "cnf", SystemCnf()));
    items.push_back(DataFile("/SLUS_000.01", "exe", Executable(rng, 150)));

    std::vector<MovieSpec> movies = {
        {"/MOVIE/OPENING.STR", 320, 240, 200, 2, 0, 6, 10, {}},
        {"/MOVIE/SMALL.STR", 256, 176, 70, 2, 0, 5, 8, {}},
        {"/MOVIE/TINY.STR", 160, 112, 20, 2, 0, 3, 3, {}},
        {"/MOVIE/TALK.STR", 320, 240, 60, 2, 8, 5, 8, {}},
    };
    movies.insert(movies.end(), options.extra_movies.begin(), options.extra_movies.end());
    std::uint64_t seed = 100;
    for (const MovieSpec& wanted : movies) {
        items.push_back(MovieFile(wanted, ++seed));
        if (options.movie_bytes_per_sector > 0)
            items.back().recorded_size = items.back().Count() * options.movie_bytes_per_sector;
    }
    for (Item& item : MasteredMovies(options, seed)) items.push_back(std::move(item));

    {
        // A movie in sectors no file covers, as games that stream from raw sector numbers have.
        const MovieSpec wanted{"", 320, 240, 25, 2, 0, 2, 4, {}};
        Movie movie = MakeMovie(wanted, ++seed, false);
        Item gap;
        gap.streams.push_back({0, static_cast<std::int64_t>(movie.sectors.size()) - 1,
                               BuiltStream::Movie, movie.frames, wanted.width, wanted.height, 2,
                               0});
        gap.sectors = std::move(movie.sectors);
        items.push_back(std::move(gap));
    }
    {
        // Channels 0-5 stereo 37.8 kHz 4-bit, 6 mono 18.9 kHz, 7 stereo 8-bit.
        const std::vector<std::uint8_t> codings = {
            kCodingStereo, kCodingStereo, kCodingStereo,  kCodingStereo,
            kCodingStereo, kCodingStereo, kCoding18900Hz, kCoding8Bit | kCodingStereo};
        Item xa;
        xa.path = "/SOUND/MUSIC.XA";
        xa.role = "xa";
        xa.attributes = kXaStreamFile;
        xa.file_number = kStreamFile;
        xa.sectors = XaStream(codings, 100, true, true, ++seed);
        xa.streams.push_back(
            {0, static_cast<std::int64_t>(xa.sectors.size()) - 1, BuiltStream::Xa, 0, 0, 0, 0, 8});
        items.push_back(std::move(xa));
    }
    {
        const Bytes body = VabBody(rng, 100);
        items.push_back(DataFile("/SOUND/BANK.VH", "vab-header",
                                 VabHeader(rng, static_cast<std::uint32_t>(body.size()))));
        items.push_back(DataFile("/SOUND/BANK.VB", "vab-body", body));
    }
    items.push_back(DataFile("/SOUND/THEME.SEQ", "seq", Seq(rng)));
    {
        // XA in sectors no file covers, written without EDC as some mastering tools do.
        Item gap;
        gap.sectors = XaStream({kCodingStereo, kCodingStereo}, 20, false, false, ++seed);
        gap.streams.push_back(
            {0, static_cast<std::int64_t>(gap.sectors.size()) - 1, BuiltStream::Xa, 0, 0, 0, 0, 2});
        items.push_back(std::move(gap));
    }
    items.push_back(DataFile(options.tim_named_dummy ? "/DATA/DUMMYTX.TIM" : "/DATA/TEXTURE.TIM",
                             "tim", Tim(rng)));
    items.push_back(DataFile("/DATA/LEVEL1.DAT", "data", rng.Bytes_(3500 * 2048)));
    {
        // Data, two movies back to back, data: only the movies may be blanked.
        Item archive;
        archive.path = "/DATA/ARCHIVE.BIN";
        archive.role = "archive";
        archive.sectors = DataSectors(rng.Bytes_(40 * 2048), false);
        const MovieSpec a{"", 320, 240, 12, 2, 0, 4, 6, {}};
        const MovieSpec b{"", 304, 224, 10, 2, 0, 4, 6, {}};
        for (const MovieSpec* wanted : {&a, &b}) {
            Movie movie = MakeMovie(*wanted, ++seed, false);
            const auto first = static_cast<std::int64_t>(archive.sectors.size());
            archive.streams.push_back(
                {first, first + static_cast<std::int64_t>(movie.sectors.size()) - 1,
                 BuiltStream::Movie, movie.frames, wanted->width, wanted->height, 2, 0});
            archive.sectors.insert(archive.sectors.end(), movie.sectors.begin(),
                                   movie.sectors.end());
        }
        const std::vector<RawSector> tail = DataSectors(rng.Bytes_(40 * 2048));
        archive.sectors.insert(archive.sectors.end(), tail.begin(), tail.end());
        items.push_back(std::move(archive));
    }
    items.push_back(DataFile("/DUMMY.DAT", "dummy", Bytes(300 * 2048, 0)));
    items.push_back(DataFile("/PAD/FILL.BIN", "dummy", Bytes(100 * 2048, 0)));

    // The file system comes first on the disc, so its size is needed before the files' places.
    std::vector<std::string> directories;
    for (const Item& item : items) {
        if (item.path.empty()) continue;
        const std::string parent = item.path.substr(0, item.path.rfind('/'));
        if (!parent.empty()) directories.push_back(parent);
    }
    directories.push_back("/DATA");
    if (options.overlapping_files) directories.push_back("/SHARE");
    Iso9660Writer iso("VORLIX_TEST", directories);

    std::int64_t position = iso.MetadataEnd();
    std::int64_t directory_sectors = iso.MetadataEnd() - iso.DirectorySector("/");
    for (Item& item : items) {
        item.first = position;
        position += item.Count();
    }
    constexpr std::int64_t kMiB = 1 << 20;
    constexpr std::int64_t kBombDirectorySectors = kMiB / 2048;
    if (options.overlapping_directories) {
        // Directories start anywhere in the first 577 sectors: most overlap the first one read,
        // some lie beyond it.
        constexpr std::int64_t kStarts = kBombDirectorySectors + 65;
        const std::int64_t first = position;
        Item bomb = RecordSectors(kStarts + kBombDirectorySectors, [&](std::int64_t b, int k) {
            if (k % 2 == 1)
                return PlainDirectoryRecord(Numbered('F', b, k), first + b, 2048, false);
            return PlainDirectoryRecord(Numbered('D', b, k), first + (b * 7 + k * 13) % kStarts,
                                        kMiB, true);
        });
        iso.AddDirectoryRecord("/DATA/BOMB", first, kMiB);
        directory_sectors += bomb.Count();
        bomb.first = first;
        position += bomb.Count();
        items.push_back(std::move(bomb));
    }
    if (options.crowded_directory) {
        Item crowd = RecordSectors(kBombDirectorySectors, [](std::int64_t b, int k) {
            return PlainDirectoryRecord(Numbered('E', b, k), 0, 0, false);
        });
        iso.AddDirectoryRecord("/DATA/CROWD", position, kMiB);
        directory_sectors += crowd.Count();
        crowd.first = position;
        position += crowd.Count();
        items.push_back(std::move(crowd));
    }
    if (options.total_sectors > position + kTrailingEmptySectors) {
        Item big = PaddingFile("/DATA/BIG.DAT",
                               options.total_sectors - position - kTrailingEmptySectors, ++seed);
        big.first = position;
        position += big.Count();
        items.push_back(std::move(big));
    }
    {
        // Unused sectors to the end of the track: empty Form 2.
        Item tail;
        tail.sectors.assign(kTrailingEmptySectors,
                            Form2Sector({0, 0, kSubmodeForm2, 0}, nullptr, 0, true));
        tail.first = position;
        position += tail.Count();
        items.push_back(std::move(tail));
    }
    const std::int64_t total = position;

    BuiltDisc disc;
    disc.bin = dir / (options.name + (options.single_bin ? ".bin" : " (Track 1).bin"));
    disc.audio_bin = options.single_bin ? disc.bin : dir / (options.name + " (Track 2).bin");
    disc.cue = dir / (options.name + ".cue");
    disc.sectors = total;
    disc.directory_sectors = directory_sectors;

    disc.file_system_end = iso.MetadataEnd();
    // The damaged dummy record lies over the system area, the file system and the first files.
    const auto moved = [&](const Item& item) {
        return options.dummy_over_file_system && item.path == "/DUMMY.DAT";
    };
    for (const Item& item : items) {
        if (!item.path.empty()) {
            const std::int64_t first = moved(item) ? 10 : item.first;
            iso.AddFile(item.path, first, item.RecordedSize(), item.attributes, item.file_number);
            disc.files.push_back({item.path, first, item.Count(), item.attributes, item.role});
        }
        for (const StreamPart& s : item.streams)
            disc.streams.push_back({item.path.empty() ? "gap" : item.path, item.first + s.first,
                                    item.first + s.last, s.kind, s.frames, s.width, s.height,
                                    s.version, s.channels});
    }
    if (options.directory_cycle) iso.AddDirectoryLink("/DATA/LOOP", "/DATA");
    if (options.extent_past_end) {
        iso.AddFile("/DATA/LOST.DAT", total + 100, 10 * 2048, kXaPlainFile, 0);
        disc.files.push_back({"/DATA/LOST.DAT", total + 100, 10, kXaPlainFile, "data"});
    }
    if (options.overlapping_files) {
        // A copy: the files pushed below may move the vector.
        const std::int64_t movie =
            std::ranges::find(disc.files, "/MOVIE/OPENING.STR", &BuiltFile::path)->first_sector;
        for (int k = 0; k < 30; ++k) {
            const std::string path = "/SHARE/S" + std::to_string(10 + k) + ".STR";
            iso.AddFile(path, movie + 1 + k, (k + 2) * 2048, kXaPlainFile, kStreamFile);
            disc.files.push_back({path, movie + 1 + k, k + 2, kXaPlainFile, "data"});
        }
    }
    if (options.zero_byte_file) {
        iso.AddFile("/DATA/EMPTY.DAT", 0, 0, kXaPlainFile, 0);
        disc.files.push_back({"/DATA/EMPTY.DAT", 0, 0, kXaPlainFile, "data"});
    }
    std::ranges::stable_sort(disc.files, {}, &BuiltFile::first_sector);

    // What a correct scan lists.
    for (const Item& item : items) {
        const int code = CodeOf(item.role);
        if (moved(item)) continue;
        if (!options.no_file_system && code != kNotListed) {
            disc.expected.push_back({item.first, item.first + item.Count() - 1, code, item.path});
            continue;
        }
        for (const StreamPart& s : item.streams) {
            const std::string where = item.path.empty() ? "gap" : item.path;
            disc.expected.push_back(
                {item.first + s.first, item.first + s.last, CodeOf(s.kind), where});
        }
    }
    if (options.truncate_to > 0) {
        std::erase_if(disc.expected,
                      [&](const ExpectedEntry& e) { return e.end >= options.truncate_to; });
    }

    // The data track.
    {
        SectorWriter out(disc.bin);
        const RawSector system = Form1Sector({0, 0, kSubmodeFileData, 0}, nullptr, 0);
        for (std::int64_t s = 0; s < Iso9660Writer::kVolumeDescriptorSector; ++s) out.Put(system);
        const std::vector<IsoBlock> blocks = iso.Blocks(total);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (options.no_file_system) {
                out.Put(system);
                continue;
            }
            // The descriptor ends a record; the terminator, path tables and directories are each a
            // one-sector record of their own.
            const std::uint8_t submode =
                i == 0 ? kSubmodeData | kSubmodeEndOfRecord : kSubmodeLastData;
            out.Put(Form1Sector({0, 0, submode, 0}, blocks[i].data(), blocks[i].size()));
        }
        for (const Item& item : items) {
            if (out.Position() != item.first) throw std::logic_error("layout mismatch");
            for (std::int64_t i = 0; i < item.Count(); ++i) out.Put(item.At(i));
        }
        out.Close();
    }
    if (options.truncate_to > 0 && options.truncate_to < total) {
        std::filesystem::resize_file(
            disc.bin, static_cast<std::uintmax_t>(options.truncate_to) * kRawSectorSize);
        disc.sectors = options.truncate_to;
    }
    if (options.sector_size != static_cast<int>(kRawSectorSize))
        KeepOnlyUserData(disc.bin, options.sector_size);
    if (options.single_bin) disc.audio_first_sector = disc.sectors;
    disc.audio_sectors = kAudioTrackSectors;
    WriteAudioTrack(disc.audio_bin, options.single_bin);
    WriteCue(disc, options);
    return disc;
}

}  // namespace vorlix::test
