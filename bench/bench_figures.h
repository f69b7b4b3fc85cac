#pragma once
// The four measurements of the benchmark, each over data it makes in the run's directory.

#include <filesystem>
#include <vector>

#include "bench/bench_report.h"

namespace vorlix::bench {

struct Context {
    std::filesystem::path dir;     // the run's temporary directory
    std::filesystem::path cli;     // vorlix-cli
    std::filesystem::path window;  // vorlix-bench-window; empty when the window is not built
    std::filesystem::path blanks;
    int repetitions = 5;
};

// (1) vorlix-cli rip against the baseline, with the baseline flushing after every entry shown
// beside it, and, when wanted, (3) Rip All through the window against vorlix-cli rip.
std::vector<Row> RipFigures(const Context& c, bool window_wanted);

// (6) vorlix-cli rip --keep-structure against the baseline of figure 1, over the same ranges
// filled with movies, XA and data as a disc holds them.
std::vector<Row> KeepFigures(const Context& c);

// (2) Backup and Restore of a 100,000-sector entry against the baseline copy.
std::vector<Row> CopyFigures(const Context& c);

// (4) Loading a list of 50,000 entries: the reader alone, and the window filling lstKLV.
std::vector<Row> LoadFigures(const Context& c);

}  // namespace vorlix::bench
