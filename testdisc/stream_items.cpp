#include "testdisc/stream_items.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "sector/little_endian.h"
#include "sector/str_sector.h"

namespace vorlix::test::building {
namespace {

constexpr std::size_t kChunkBytes = kStrChunkSize;  // frame bytes per video sector
constexpr std::size_t kXaGroupBytes = 128;
constexpr int kXaGroups = 18;
constexpr std::uint8_t kVideoChannel = 0;
constexpr std::uint8_t kMovieAudioChannel = 1;

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

}  // namespace

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
            StrSectorHeader header{static_cast<std::uint16_t>(c),
                                   static_cast<std::uint16_t>(chunks),
                                   static_cast<std::uint32_t>(f),
                                   static_cast<std::uint32_t>(frame.size()),
                                   wanted.width,
                                   wanted.height,
                                   {}};
            std::copy_n(frame.begin(), header.bitstream_header.size(),
                        header.bitstream_header.begin());
            WriteStrSectorHeader(user, header);
            const std::size_t at = c * kChunkBytes;
            std::memcpy(user + kStrHeaderSize, frame.data() + at,
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

Item MovieFile(const MovieSpec& wanted, std::uint64_t seed) {
    return MovieFile(wanted, MakeMovie(wanted, seed, true));
}

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
            if (ReadLe16(user + kStrChunk) + 1 == ReadLe16(user + kStrChunks))
                SetSubHeader(s, {s[0x10], s[0x11],
                                 static_cast<std::uint8_t>(s[0x12] | kSubmodeEndOfRecord), 0});
        }
        items.push_back(MovieFile(wanted, std::move(movie)));
    }
    return items;
}

}  // namespace vorlix::test::building
