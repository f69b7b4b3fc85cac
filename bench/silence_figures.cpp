// Figure 9: vorlix-cli silence-audio on a cue with a file per track (data track, then CD audio
// tracks with their pregaps, as most disc dumps come) against punching each audio file whole.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "bench/bench_figures.h"
#include "bench/bench_files.h"
#include "bench/bench_process.h"
#include "sector/sector_geometry.h"

namespace vorlix::bench {

namespace {

constexpr int kAudioTracks = 8;
constexpr std::int64_t kTrackSectors = 20000;  // 47 MB a track, 376 MB in all

std::string TrackFile(int track) {
    char name[32];
    std::snprintf(name, sizeof name, "game (Track %d).bin", track);
    return name;
}

}  // namespace

std::vector<Row> SilenceFigures(const Context& c) {
    const std::filesystem::path cue = c.dir / "game.cue";
    // The data track must look like one: silence-audio refuses a cue whose track 1 does not.
    WriteValidImage(c.dir / TrackFile(1), 1000);
    std::string text =
        "FILE \"" + TrackFile(1) + "\" BINARY\n  TRACK 01 MODE2/2352\n" + "    INDEX 01 00:00:00\n";
    std::vector<std::string> baseline = {SelfPath().string(), "--baseline-punch"};
    std::vector<std::filesystem::path> tracks;
    for (int t = 2; t <= kAudioTracks + 1; ++t) {
        tracks.push_back(c.dir / TrackFile(t));
        baseline.push_back(tracks.back().string());
        char track[16];
        std::snprintf(track, sizeof track, "%02d", t);
        text += "FILE \"" + TrackFile(t) + "\" BINARY\n  TRACK " + track + " AUDIO\n" +
                "    INDEX 00 00:00:00\n    INDEX 01 00:02:00\n";
    }
    std::ofstream(cue, std::ios::binary | std::ios::trunc) << text;
    const std::vector<std::string> silence = {c.cli.string(), "silence-audio", cue.string()};

    Samples subject, base;
    std::uint64_t hash[2] = {0, 0};
    std::string out;
    for (int rep = 0; rep < c.repetitions; ++rep) {
        for (int k = 0; k < 2; ++k) {
            const bool cli = (rep + k) % 2 == 0;
            for (const std::filesystem::path& track : tracks) {
                WriteFresh(track, {{0, kTrackSectors}});
                Settle(track);
            }
            SettleFileSystem(c.dir);
            const ProgramRun run = RunProgram(cli ? silence : baseline, c.dir);
            (cli ? subject : base).values.push_back(run.seconds);
            std::cerr << "silence repetition " << rep + 1 << ": "
                      << (cli ? "vorlix-cli silence-audio " : "baseline ") << run.seconds << " s\n";
            if (cli) out = run.out;
            if (hash[cli] == 0) hash[cli] = ContentHash(tracks.back());
        }
    }
    const std::string bytes = std::to_string(SectorOffset(kTrackSectors * kAudioTracks));
    if (out.find("Silenced " + std::to_string(kAudioTracks) + " audio tracks: " + bytes +
                 " bytes are now silent.") == std::string::npos ||
        hash[0] != hash[1])
        throw std::runtime_error("vorlix-cli silence-audio did not silence the " + bytes +
                                 " bytes the baseline punched:\n" + out);
    return {{"9 silence-audio / punching the audio files whole", subject, base, 1.5}};
}

}  // namespace vorlix::bench
