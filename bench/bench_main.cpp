// vorlix-bench: measures the image operations against the speed of the disk. It makes its own data
// in a temporary directory, runs each program as a user would, and prints a table of medians.
#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_baseline.h"
#include "bench/bench_figures.h"
#include "bench/bench_files.h"
#include "bench/bench_process.h"

namespace vorlix::bench {
namespace {

const char* const kUsage =
    "Usage: vorlix-bench [--repetitions N] [--figures 1,2,...,11] [--keep]\n"
    "\n"
    "Makes a 300,000-sector image and its entry lists in a temporary directory under $TMPDIR (or\n"
    "/tmp), needing about 2.8 GB there, and prints for each figure the median of N runs (at least\n"
    "5 by default) against its baseline and its target. Figure 3 and the window half of figure 4\n"
    "need the window (VORLIX_BUILD_WINDOW). Exit status: 0 every target met, 3 some target "
    "missed,\n"
    "1 the benchmark could not run.\n";

constexpr std::uint64_t kNeededBytes = std::uint64_t{2800} << 20;

struct Options {
    int repetitions = 5;
    std::set<int> figures = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    bool keep = false;
};

Options ParseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--repetitions" && has_value) {
            o.repetitions = std::stoi(args[++i]);
            if (o.repetitions < 1) throw std::invalid_argument("--repetitions must be at least 1");
        } else if (a == "--figures" && has_value) {
            o.figures.clear();
            std::istringstream list(args[++i]);
            for (std::string n; std::getline(list, n, ',');) o.figures.insert(std::stoi(n));
        } else if (a == "--keep") {
            o.keep = true;
        } else {
            throw std::invalid_argument("unknown argument \"" + a + "\"\n\n" + kUsage);
        }
    }
    return o;
}

// The run's directory, removed with everything in it at the end unless kept.
class RunDirectory {
public:
    explicit RunDirectory(bool keep) : keep_(keep) {
        const char* tmp = std::getenv("TMPDIR");
        const std::filesystem::path parent = tmp && *tmp ? tmp : "/tmp";
        if (FreeBytes(parent) < kNeededBytes)
            throw std::runtime_error("Not enough free space in " + parent.string() +
                                     ": the benchmark needs about 2.8 GB.");
        std::string name = (parent / "vorlix-bench-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr)
            throw std::runtime_error("Cannot create a directory in " + parent.string());
        path_ = name;
        std::cerr << "Data in " << path_.string() << (keep_ ? " (kept)" : "") << "\n";
    }
    ~RunDirectory() {
        std::error_code ec;
        if (!keep_) std::filesystem::remove_all(path_, ec);
    }
    RunDirectory(const RunDirectory&) = delete;
    RunDirectory& operator=(const RunDirectory&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    bool keep_;
    std::filesystem::path path_;
};

std::filesystem::path Beside(const char* name) {
    const std::filesystem::path path = SelfPath().parent_path() / name;
    return std::filesystem::exists(path) ? path : std::filesystem::path();
}

int RunBenchmark(const Options& o) {
    Context c;
    c.cli = Beside("vorlix-cli");
    c.window = Beside("vorlix-bench-window");
    c.blanks = Beside("blanks");
    c.repetitions = o.repetitions;
    std::vector<std::string> notes;
    c.notes = &notes;
    if (c.cli.empty() || c.blanks.empty())
        throw std::runtime_error(
            "vorlix-cli and its blanks directory must be built beside "
            "vorlix-bench (cmake --build ... --target vorlix-bench).");
    const RunDirectory dir(o.keep);
    c.dir = dir.path();

    const auto wanted = [&](int figure) { return o.figures.contains(figure); };
    std::vector<Row> rows;
    const auto add = [&](std::vector<Row> more) {
        rows.insert(rows.end(), more.begin(), more.end());
    };
    if (wanted(1) || wanted(3)) add(RipFigures(c, wanted(3)));
    if (wanted(2)) add(CopyFigures(c));
    if (wanted(4)) add(LoadFigures(c));
    if (wanted(5)) add(BigListFigures(c));
    if (wanted(6)) add(ScanFigures(c));
    if (wanted(7)) add(VerifyFigures(c));
    if (wanted(8)) add(KeepFigures(c));
    if (wanted(9)) add(SilenceFigures(c));
    if (wanted(10)) add(OutputFigures(c));
    if (wanted(11)) add(SectorArithmeticFigures(c));

    std::cout << "\nMedians of " << c.repetitions << " runs; ratios are subject / baseline.\n";
    PrintTable(std::cout, rows);
    for (const std::string& note : notes) std::cout << note << "\n";
    std::cout
        << "Programs are timed from start to exit; the window (3, 4b) inside its own process, "
           "from the click\nor menu command until it returns and the list is painted.\n";
    for (const Row& row : rows)
        if (!Passes(row)) return 3;
    return 0;
}

// The baselines run as their own processes, as the programs they are compared with do:
//   --baseline-measure PROGRAM ARGS...   (runs it, output discarded: its time and peak memory)
//   --baseline-rip LIST IMAGE BLANKS [--flush-each]
//   --baseline-copy FROM FROM_OFFSET TO TO_OFFSET BYTES new|existing
//   --baseline-read FILE
//   --baseline-punch FILE...
int RunBaseline(const std::vector<std::string>& a) {
    if (a[0] == "--baseline-rip" && (a.size() == 4 || (a.size() == 5 && a[4] == "--flush-each"))) {
        std::cout << BaselineRip(a[1], a[2], a[3], a.size() == 5) << " sectors written\n";
        return 0;
    }
    if (a[0] == "--baseline-measure" && a.size() > 1) {
        // A small process of its own, so that the peak it reports is the program's alone.
        const Measured m = MeasureProgram({a.begin() + 1, a.end()});
        std::cout << "seconds=" << m.seconds << " peak=" << m.peak_memory << "\n";
        return 0;
    }
    if (a[0] == "--baseline-punch" && a.size() > 1) {
        std::cout << BaselinePunch({a.begin() + 1, a.end()}) << " bytes punched\n";
        return 0;
    }
    if (a[0] == "--baseline-read" && a.size() == 2) {
        std::cout << BaselineRead(a[1]) << " bytes read\n";
        return 0;
    }
    if (a[0] == "--baseline-copy" && a.size() == 7 && (a[6] == "new" || a[6] == "existing")) {
        BaselineCopy(a[1], std::stoull(a[2]), a[3], std::stoull(a[4]), std::stoull(a[5]),
                     a[6] == "new");
        return 0;
    }
    throw std::invalid_argument("malformed baseline command");
}

}  // namespace
}  // namespace vorlix::bench

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
            std::cout << vorlix::bench::kUsage;
            return 0;
        }
        if (!args.empty() && args[0].rfind("--baseline-", 0) == 0)
            return vorlix::bench::RunBaseline(args);
        return vorlix::bench::RunBenchmark(vorlix::bench::ParseOptions(args));
    } catch (const std::exception& e) {
        std::cerr << "vorlix-bench: " << e.what() << "\n";
        return 1;
    }
}
