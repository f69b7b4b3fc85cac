#pragma once
// The four measurements of the benchmark, each over data it makes in the run's directory.

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_report.h"

namespace vorlix::bench {

struct Context {
    std::filesystem::path dir;     // the run's temporary directory
    std::filesystem::path cli;     // vorlix-cli
    std::filesystem::path window;  // vorlix-bench-window; empty when the window is not built
    std::filesystem::path blanks;
    int repetitions = 5;
    std::vector<std::string>* notes = nullptr;  // lines printed after the table
};

// (1) vorlix-cli rip (its zero runs become holes) against the baseline, with the baseline flushing
// after every entry and vorlix-cli rip --valid-sectors shown beside it, and, when wanted, (3) Rip
// All through the window against vorlix-cli rip. The image's allocated size before and after a rip
// goes to the notes.
std::vector<Row> RipFigures(const Context& c, bool window_wanted);

// (8) vorlix-cli rip --keep-structure against the baseline of figure 1, over the same ranges
// filled with movies, XA and data as a disc holds them.
std::vector<Row> KeepFigures(const Context& c);

// (9) vorlix-cli rip --output (the image copied, the copy ripped) against copying the image in
// 1 MiB writes and the baseline rip of figure 1 on the copy (in output_figures.cpp).
std::vector<Row> OutputFigures(const Context& c);

// (2) Backup and Restore of a 100,000-sector entry against the baseline copy.
std::vector<Row> CopyFigures(const Context& c);

// (6) vorlix-cli scan of a disc image with a file system against reading it in 1 MiB reads, with
// the scan's peak memory printed; the scan of a directory bomb, its time and its peak memory
// against the image's directory bytes (in scan_figures.cpp).
std::vector<Row> ScanFigures(const Context& c);

// (4) Loading a list of 50,000 entries: the reader alone, and the window filling lstKLV.
std::vector<Row> LoadFigures(const Context& c);

// (5) A list of 1,000,000 entries: vorlix-cli rip --dry-run from start to exit, and its peak
// memory as a multiple of the list file's size.
std::vector<Row> BigListFigures(const Context& c);

// (7) vorlix-cli verify of an image of valid sectors against reading it sequentially, both from
// the disk and from the page cache.
std::vector<Row> VerifyFigures(const Context& c);

// (9) vorlix-cli silence-audio of a cue with a file per track against punching every audio
// track's file whole (in silence_figures.cpp).
std::vector<Row> SilenceFigures(const Context& c);
// (11) EDC, P/Q sealing and P/Q checking of one Form 1 sector, in nanoseconds, the fast arithmetic
// against the portable one (in sector_figures.cpp).
std::vector<Row> SectorArithmeticFigures(const Context& c);

}  // namespace vorlix::bench
