#include <algorithm>
#include <iostream>
#include <stdexcept>
#include <string>

#include "bench/bench_data.h"
#include "bench/bench_figures.h"
#include "bench/bench_files.h"
#include "bench/bench_process.h"
#include "image/sector_file.h"
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
    return {{"6 scan: vorlix-cli / 1 MiB reads", scan, read, 1.5}};
}

}  // namespace vorlix::bench
