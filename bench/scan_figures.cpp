#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <string>

#include "bench/bench_data.h"
#include "bench/bench_figures.h"
#include "bench/bench_files.h"
#include "bench/bench_process.h"
#include "files/sector_file.h"
#include "testdisc/psx_disc_builder.h"

namespace vorlix::bench {

namespace {

// Runs the program under this executable's --baseline-measure, so that its peak memory is its own
// (a child started straight from the benchmark would report the benchmark's).
Measured MeasureRun(const std::vector<std::string>& argv, const Context& c) {
    std::vector<std::string> measured = {SelfPath().string(), "--baseline-measure"};
    measured.insert(measured.end(), argv.begin(), argv.end());
    const std::string out = RunProgram(measured, c.dir).out;
    const auto seconds = out.find("seconds="), peak = out.find("peak=");
    if (seconds == std::string::npos || peak == std::string::npos)
        throw std::runtime_error("Unexpected output from --baseline-measure:\n" + out);
    return {std::stod(out.substr(seconds + 8)), std::stoull(out.substr(peak + 5))};
}

// The scan of the builder's directory bomb (overlapping 1 MiB directories naming millions of
// records): its time alone, and its peak memory against the image's directory bytes.
std::vector<Row> BombFigures(const Context& c) {
    test::DiscOptions options;
    options.overlapping_directories = true;
    const test::BuiltDisc disc = test::BuildPsxDisc(c.dir / "bomb", options);
    const double directory_mb = static_cast<double>(disc.directory_sectors) * 2048 / 1e6;
    const std::vector<std::string> argv = {c.cli.string(), "scan", disc.bin.string()};
    Row time{"6b scan of a directory bomb (alone)", {}, {}, 1000};
    Row memory{"6c its peak memory / directory bytes", {}, {}, 8};
    memory.unit = "MB";
    for (int rep = 0; rep < c.repetitions; ++rep) {
        Settle(disc.bin);
        const Measured m = MeasureRun(argv, c);
        time.subject.values.push_back(m.seconds);
        memory.subject.values.push_back(static_cast<double>(m.peak_memory) / 1e6);
        memory.baseline.values.push_back(directory_mb);
        std::cerr << "directory bomb repetition " << rep + 1 << ": " << m.seconds << " s, "
                  << static_cast<double>(m.peak_memory) / 1e6 << " MB\n";
    }
    std::filesystem::remove_all(c.dir / "bomb");
    return {time, memory};
}

}  // namespace

std::vector<Row> ScanFigures(const Context& c) {
    test::DiscOptions options;
    options.total_sectors = kImageSectors;
    std::cerr << "Building a " << kImageSectors << "-sector disc image with a file system\n";
    const test::BuiltDisc disc = test::BuildPsxDisc(c.dir / "disc", options);
    const std::filesystem::path list = c.dir / "disc" / "scanned.vlx";
    const std::vector<std::string> scan_argv = {c.cli.string(), "scan",        disc.cue.string(),
                                                "--output",     list.string(), "--overwrite"};
    const std::vector<std::string> read_argv = {SelfPath().string(), "--baseline-read",
                                                disc.bin.string()};

    Samples scan, read;
    std::uint64_t peak = 0, read_peak = 0;
    for (int rep = 0; rep < c.repetitions; ++rep) {
        // Each takes the first place in turn, both reading the image from the disk.
        for (int k = 0; k < 2; ++k) {
            Settle(disc.bin);
            SettleFileSystem(c.dir);
            const bool scanning = (rep + k) % 2 == 0;
            const Measured m = MeasureRun(scanning ? scan_argv : read_argv, c);
            (scanning ? scan : read).values.push_back(m.seconds);
            std::uint64_t& most = scanning ? peak : read_peak;
            most = std::max(most, m.peak_memory);
            std::cerr << "scan repetition " << rep + 1 << ": "
                      << (scanning ? "vorlix-cli scan " : "baseline read ") << m.seconds << " s\n";
        }
    }
    const std::string listed = ReadWholeFile(list);
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = listed.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    if (lines != disc.expected.size() + 2)
        throw std::runtime_error("vorlix-cli scan did not list the " +
                                 std::to_string(disc.expected.size()) + " entries the disc holds.");
    std::cout << "Scan peak memory: " << (peak >> 20) << " MiB resident (" << (read_peak >> 20)
              << " MiB for the 1 MiB reads) for " << disc.expected.size() << " entries over a "
              << disc.sectors << "-sector image.\n";
    std::filesystem::remove_all(c.dir / "disc");
    std::vector<Row> rows = {{"6 scan: vorlix-cli / 1 MiB reads", scan, read, 1.5}};
    for (Row& row : BombFigures(c)) rows.push_back(std::move(row));
    return rows;
}

}  // namespace vorlix::bench
