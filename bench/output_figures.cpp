#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "bench/bench_data.h"
#include "bench/bench_figures.h"
#include "bench/bench_files.h"
#include "bench/bench_process.h"
#include "sector/sector_geometry.h"

namespace vorlix::bench {

std::vector<Row> OutputFigures(const Context& c) {
    const std::filesystem::path list = c.dir / "output.klv";
    const std::filesystem::path image = c.dir / "image.bin";
    const std::filesystem::path copy = c.dir / "new.bin";
    const std::string self = SelfPath().string();
    {
        std::ofstream out(list, std::ios::binary | std::ios::trunc);
        out << ListText(MixedEntries());
        if (!out.flush()) throw std::runtime_error("Cannot write " + list.string());
    }
    WriteFresh(image, {{0, kImageSectors}});
    const std::string bytes = std::to_string(SectorOffset(kImageSectors));
    const std::vector<std::string> output = {c.cli.string(), "rip",         list.string(),
                                             image.string(), "--blanks",    c.blanks.string(),
                                             "--output",     copy.string(), "--overwrite"};
    const std::vector<std::string> baseline_copy = {
        self, "--baseline-copy", image.string(), "0", copy.string(), "0", bytes, "new"};
    const std::vector<std::string> baseline_rip = {self, "--baseline-rip", list.string(),
                                                   copy.string(), c.blanks.string()};

    Row row{"10 rip --output / (copy + baseline rip)", {}, {}, 1.2};
    std::uint64_t reference = 0;
    std::string how;
    for (int rep = 0; rep < c.repetitions; ++rep) {
        for (int k = 0; k < 2; ++k) {
            std::filesystem::remove(copy);
            Settle(image);
            SettleFileSystem(c.dir);
            double seconds = 0;
            const bool subject = (rep + k) % 2 == 0;
            if (subject) {
                const ProgramRun run = RunProgram(output, c.dir);
                seconds = run.seconds;
                how = run.out.substr(0, run.out.find(" and ripped the copy"));
                row.subject.values.push_back(seconds);
            } else {
                seconds = RunProgram(baseline_copy, c.dir).seconds;
                seconds += RunProgram(baseline_rip, c.dir).seconds;
                row.baseline.values.push_back(seconds);
            }
            std::cerr << "output repetition " << rep + 1 << ": "
                      << (subject ? "vorlix-cli rip --output " : "copy + baseline rip ") << seconds
                      << " s\n";
            // Both leave the same ripped copy; the image itself is never written.
            const std::uint64_t hash = ContentHash(copy);
            if (reference == 0) reference = hash;
            if (hash != reference)
                throw std::runtime_error("rip --output and the baseline left different copies.");
        }
    }
    std::filesystem::remove(copy);
    if (c.notes) c.notes->push_back("Figure 10: " + how.substr(how.rfind('\n') + 1) + ".");
    return {row};
}

}  // namespace vorlix::bench
