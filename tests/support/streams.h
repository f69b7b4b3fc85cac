#pragma once
// STR movies and XA audio for tests, written and read back without the code under test: a writer
// of synthetic streams (headers as a real mastering tool writes them, arbitrary frame bytes), and
// readers that assemble frames, decode the DC values of their blocks and look at sound groups.

#include <cstdint>
#include <string>
#include <vector>

#include "support/synthetic.h"

namespace vorlix::test {

// One movie laid into an image from `first`: `frames` frames of `chunks` Form 1 sectors with
// `frame_size` bytes each, and every `audio_every`-th sector (0: none) an XA sector.
struct SyntheticMovie {
    std::int64_t first = 0;
    std::uint16_t width = 320, height = 240, version = 2;
    int frames = 4;
    int chunks = 4;
    std::uint32_t frame_size = 7000;
    std::uint8_t file = 1, channel = 1;
    int audio_every = 0;
    std::uint8_t audio_coding = 0x01;  // stereo 37.8 kHz 4-bit
    std::uint8_t data_submode = 0x48;
};

// Writes the movie's sectors into `image` (grown as needed), each sealed as a valid sector.
// Returns the number of sectors it takes.
std::int64_t WriteMovie(Bytes& image, const SyntheticMovie& movie);

// `count` XA sectors from `first`, channels 0..channels-1 in turn, loud (non-silent) samples;
// `no_edc`: Form 2 EDC left 0; codings cycle through `codings`.
void WriteXa(Bytes& image, std::int64_t first, std::int64_t count, int channels,
             const std::vector<std::uint8_t>& codings, bool no_edc = false);

// `count` ordinary Form 1 data sectors (submode 08, the last 89) with varied bytes; `sealed`:
// with EDC and ECC (which a rewrite does not read, so long runs may go without).
void WriteData(Bytes& image, std::int64_t first, std::int64_t count, std::uint8_t file = 0,
               bool sealed = true);

struct ParsedFrame {
    std::int64_t first_sector = 0;
    int channel = 0;
    std::uint32_t number = 0;
    std::uint16_t width = 0, height = 0, version = 0;
    std::uint32_t chunks = 0;
    std::vector<std::uint8_t> bytes;  // the assembled frame, frame-size long
};

// Every whole frame among sectors [first, first + count), in order of their first sector.
std::vector<ParsedFrame> ParseFrames(const Bytes& image, std::int64_t first, std::int64_t count);

// Decodes a frame's bitstream far enough to see each block: "" when every block is flat (DC only,
// no AC code) with luma black and chroma neutral, over exactly the macroblocks its size needs;
// otherwise what differs.
std::string BlackFrameProblem(const std::vector<std::uint8_t>& frame, std::uint16_t width,
                              std::uint16_t height);

// Whether an XA sector's sound groups decode to silence: filter 0, every sample 0, the 20 bytes
// after the groups 0.
bool IsSilentXa(const Bytes& image, std::int64_t sector);

}  // namespace vorlix::test
