#include "testdisc/disc_content.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "sector/little_endian.h"
#include "testdisc/stream_items.h"

namespace vorlix::test::building {
namespace {

Bytes SystemCnf() {
    const std::string text =
        "BOOT = cdrom:\\SLUS_000.01;1\r\nTCB = 4\r\nEVENT = 10\r\nSTACK = 801FFFF0\r\n";
    return Bytes(text.begin(), text.end());
}

Bytes Executable(Rng& rng, std::size_t sectors) {
    Bytes exe = rng.Bytes_(sectors * 2048);
    std::fill(exe.begin(), exe.begin() + 2048, 0);
    std::memcpy(exe.data(), "PS-X EXE", 8);
    WriteLe32(exe.data() + 0x10, 0x80010000);  // initial pc
    WriteLe32(exe.data() + 0x18, 0x80010000);  // load address
    WriteLe32(exe.data() + 0x1C, static_cast<std::uint32_t>(exe.size() - 2048));
    WriteLe32(exe.data() + 0x30, 0x801FFFF0);  // stack
    return exe;
}

// 256 x 256 pixels, 4 bits each, with a 16-colour CLUT.
Bytes Tim(Rng& rng) {
    constexpr std::uint32_t kClutBlock = 12 + 16 * 2;
    constexpr std::uint16_t kWidthWords = 64, kHeight = 256;
    constexpr std::uint32_t kImageBlock = 12 + kWidthWords * 2u * kHeight;
    Bytes tim(8 + kClutBlock + kImageBlock, 0);
    std::uint8_t* p = tim.data();
    WriteLe32(p, 0x10);
    WriteLe32(p + 4, 0x08);  // 4-bit, CLUT present
    p += 8;
    WriteLe32(p, kClutBlock);
    WriteLe16(p + 4, 0);
    WriteLe16(p + 6, 480);
    WriteLe16(p + 8, 16);
    WriteLe16(p + 10, 1);
    for (int i = 0; i < 16; ++i) WriteLe16(p + 12 + 2 * i, static_cast<std::uint16_t>(i * 0x0842));
    p += kClutBlock;
    WriteLe32(p, kImageBlock);
    WriteLe16(p + 4, 640);
    WriteLe16(p + 6, 0);
    WriteLe16(p + 8, kWidthWords);
    WriteLe16(p + 10, kHeight);
    rng.Fill(p + 12, kImageBlock - 12);
    return tim;
}

Bytes VabHeader(Rng& rng, std::uint32_t body_size) {
    constexpr int kPrograms = 4;
    Bytes vh(32 + 128 * 16 + kPrograms * 16 * 32 + 256 * 2, 0);
    std::memcpy(vh.data(), "pBAV", 4);
    WriteLe32(vh.data() + 4, 7);  // format version
    WriteLe32(vh.data() + 12, static_cast<std::uint32_t>(vh.size()) + body_size);
    WriteLe16(vh.data() + 18, kPrograms);
    WriteLe16(vh.data() + 20, kPrograms * 4);  // tones
    WriteLe16(vh.data() + 22, 16);             // VAG samples
    vh[24] = 127;                              // master volume
    vh[25] = 64;                               // pan
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
    WriteLe32(seq.data() + 4, 0x01000000);  // version 1, big-endian like the rest of the header
    seq[8] = 0x01;                          // resolution 480
    seq[9] = 0xE0;
    return seq;
}

}  // namespace

std::vector<Item> DiscContent(const DiscOptions& options, std::uint64_t& seed) {
    Rng rng(0x5053582D44495343ull);  // fixed: the same disc every time

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
    return items;
}

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

}  // namespace vorlix::test::building
