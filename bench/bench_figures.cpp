#include "bench/bench_figures.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "bench/bench_baseline.h"
#include "bench/bench_data.h"
#include "bench/bench_files.h"
#include "bench/bench_process.h"
#include "bench/bench_streams.h"
#include "entries/list_reader.h"
#include "files/sector_file.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "sector/sector_geometry.h"

namespace vorlix::bench {

namespace {

constexpr std::size_t kLongListEntries = 50000;
constexpr std::size_t kBigListEntries = 1000000;

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("Cannot write " + path.string());
}

// The number after `key` in a program's output ("seconds=1.25" -> 1.25).
double ValueAfter(const std::string& out, const std::string& key) {
    const std::size_t at = out.find(key);
    if (at == std::string::npos)
        throw std::runtime_error("Expected \"" + key + "\" in the output:\n" + out);
    return std::stod(out.substr(at + key.size()));
}

struct Subject {
    Subject(const char* name_, std::vector<std::string> argv_, std::filesystem::path output_,
            bool reports_own_time_ = false)
        : name(name_),
          argv(std::move(argv_)),
          output(std::move(output_)),
          reports_own_time(reports_own_time_) {}

    const char* name;
    std::vector<std::string> argv;
    std::filesystem::path output;     // the file it writes
    bool reports_own_time = false;    // prints seconds=..., its own measure of the operation
    bool writes_other_bytes = false;  // not held to the bytes of the other subjects
    Samples samples;
    std::string out;  // its output of the last run
    bool checked = false;
};

double Measure(Subject& s, const Context& c) {
    const ProgramRun run = RunProgram(s.argv, c.dir);
    const double seconds = s.reports_own_time ? ValueAfter(run.out, "seconds=") : run.seconds;
    s.samples.values.push_back(seconds);
    s.out = run.out;
    return seconds;
}

void Progress(const char* figure, int rep, const Subject& s, double seconds) {
    std::cerr << figure << " repetition " << rep + 1 << ": " << s.name << " " << seconds << " s\n";
}

// Every subject of one figure must leave the same bytes behind; the first one sets them.
void CheckSame(std::uint64_t& reference, Subject& s) {
    if (s.checked) return;
    const std::uint64_t hash = ContentHash(s.output);
    if (reference == 0) reference = hash;
    if (hash != reference)
        throw std::runtime_error(std::string(s.name) + " left " + s.output.filename().string() +
                                 " different from the other programs; the comparison is void.");
    s.checked = true;
}

// The ranges Rip All writes, as the core plans them.
std::vector<Sectors> RippedRanges(const std::filesystem::path& list,
                                  const std::filesystem::path& image,
                                  const std::filesystem::path& blanks) {
    std::vector<Sectors> ranges;
    std::int64_t sectors = 0;
    const EntryLines lines = ReadEntryLines(ReadWholeFile(list));
    for (const PlannedRip& rip : PlanRipAll(lines, image, blanks, {})) {
        if (rip.plan.branch == ReplaceBranch::None) continue;
        ranges.push_back({rip.plan.range.start, rip.plan.range.count});
        sectors += rip.plan.range.count;
    }
    std::cerr << "Rip All list: " << lines.size() << " entries, " << ranges.size() << " ripped, "
              << sectors << " sectors (" << SectorOffset(sectors) / 1000000
              << " MB) written per run\n";
    return ranges;
}

std::int64_t Total(const std::vector<Sectors>& ranges) {
    std::int64_t sectors = 0;
    for (const Sectors& r : ranges) sectors += r.count;
    return sectors;
}

}  // namespace

std::vector<Row> RipFigures(const Context& c, bool window_wanted) {
    const bool with_window = window_wanted && !c.window.empty();
    const std::filesystem::path list = c.dir / "mixed.klv";
    const std::filesystem::path image = c.dir / "image.bin";
    const std::string self = SelfPath().string();
    WriteText(list, ListText(MixedEntries()));
    WriteFresh(image, {{0, kImageSectors}});
    const std::vector<Sectors> ripped = RippedRanges(list, image, c.blanks);
    const std::int64_t sectors = Total(ripped);

    std::vector<Subject> subjects = {
        {"baseline", {self, "--baseline-rip", list, image, c.blanks}, image},
        {"baseline, flush per entry",
         {self, "--baseline-rip", list, image, c.blanks, "--flush-each"},
         image},
        {"vorlix-cli rip", {c.cli, "rip", list, image, "--blanks", c.blanks}, image},
        {"vorlix-cli rip --valid-sectors",
         {c.cli, "rip", list, image, "--blanks", c.blanks, "--valid-sectors"},
         image},
    };
    subjects[3].writes_other_bytes = true;
    if (with_window)
        subjects.push_back(
            {"window Rip All", {c.window, "rip", list, image, c.blanks}, image, true});
    const std::size_t window_subject = subjects.size() - 1;

    std::uint64_t reference = 0;
    const std::size_t n = subjects.size();
    std::vector<Samples> allocated(n);  // MB after each subject's runs
    Samples allocated_before;
    for (int rep = 0; rep < c.repetitions; ++rep) {
        // Each program takes every place in the order in turn.
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t i = (static_cast<std::size_t>(rep) + k) % n;
            Subject& s = subjects[i];
            // Only the ripped ranges change, so putting them back restores the fresh image.
            WriteFresh(image, ripped);
            Settle(image);
            SettleFileSystem(c.dir);
            allocated_before.values.push_back(static_cast<double>(DiskUseOf(image).allocated));
            Progress("rip", rep, s, Measure(s, c));
            allocated[i].values.push_back(static_cast<double>(DiskUseOf(image).allocated));
            if (!s.writes_other_bytes) CheckSame(reference, s);
        }
    }
    if (c.notes) {
        const auto mb = [](double bytes) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
            return std::string(text);
        };
        c.notes->push_back(
            "Allocated size of the 705.6 MB image: " + mb(allocated_before.Median()) +
            " before a rip; after it " + mb(allocated[2].Median()) + " (vorlix-cli rip), " +
            mb(allocated[3].Median()) + " (--valid-sectors), " + mb(allocated[0].Median()) +
            " (baseline).");
    }
    if (subjects[2].out.find(std::to_string(sectors) + " sectors written") == std::string::npos)
        throw std::runtime_error("vorlix-cli rip did not write the planned " +
                                 std::to_string(sectors) + " sectors:\n" + subjects[2].out);

    std::vector<Row> rows;
    rows.push_back(
        {"1 rip, zero runs as holes / baseline", subjects[2].samples, subjects[0].samples, 1.5});
    rows.push_back(
        {"1b rip --valid-sectors / baseline", subjects[3].samples, subjects[0].samples, 1.5});
    rows.push_back(
        {"  baseline, flush per entry / baseline", subjects[1].samples, subjects[0].samples, 0});
    if (window_wanted) {
        Row window{"3 Rip All: window / vorlix-cli", {}, subjects[2].samples, 1.3};
        if (with_window)
            window.subject = subjects[window_subject].samples;
        else
            window.unavailable = "the window is not built";
        rows.push_back(window);
    }
    return rows;
}

std::vector<Row> KeepFigures(const Context& c) {
    const std::filesystem::path list = c.dir / "kept.klv";
    const std::filesystem::path image = c.dir / "image.bin";
    const std::string self = SelfPath().string();
    // The mixed list, its movies under 404 sectors set aside: a plain rip leaves them alone, so
    // the baseline would not write them while the kept rip does.
    std::vector<BenchEntry> entries = MixedEntries();
    std::vector<StreamRange> streams;
    for (BenchEntry& e : entries) {
        const bool movie = e.code == "0" || e.code == "1" || e.code == "2";
        if (movie && e.count < kStSourceSectors)
            e.code = "20";
        else if (movie)
            streams.push_back({e.start, e.count, StreamRange::Movie});
        else if (e.code == "10")
            streams.push_back({e.start, e.count, StreamRange::Xa});
        else if (e.code == "99")
            streams.push_back({e.start, e.count, StreamRange::Dummy});
    }
    WriteText(list, ListText(entries));
    WriteFresh(image, {{0, kImageSectors}});
    const std::int64_t sectors = Total(RippedRanges(list, image, c.blanks));

    std::vector<Subject> subjects = {
        {"baseline", {self, "--baseline-rip", list, image, c.blanks}, image},
        {"vorlix-cli rip --keep-structure",
         {c.cli, "rip", list, image, "--blanks", c.blanks, "--keep-structure"},
         image},
    };
    for (int rep = 0; rep < c.repetitions; ++rep) {
        for (std::size_t k = 0; k < subjects.size(); ++k) {
            Subject& s = subjects[(static_cast<std::size_t>(rep) + k) % subjects.size()];
            WriteStreams(image, streams);
            Settle(image);
            SettleFileSystem(c.dir);
            Progress("keep", rep, s, Measure(s, c));
        }
    }
    // Every sector of every ripped entry holds a stream or data: all are rewritten, none left.
    if (subjects[1].out.find(std::to_string(sectors) + " sectors written.\n") ==
            std::string::npos ||
        subjects[1].out.find("left alone") != std::string::npos)
        throw std::runtime_error("vorlix-cli rip --keep-structure did not rewrite the planned " +
                                 std::to_string(sectors) + " sectors:\n" + subjects[1].out);
    return {{"8 rip --keep-structure: vorlix-cli / baseline", subjects[1].samples,
             subjects[0].samples, 1.5}};
}

std::vector<Row> CopyFigures(const Context& c) {
    const std::filesystem::path list = c.dir / "copy.klv";
    const std::filesystem::path image = c.dir / "image.bin";
    const std::filesystem::path cli_backup = c.dir / "entry.cli";
    const std::filesystem::path baseline_backup = c.dir / "entry.baseline";
    const std::string self = SelfPath().string();
    const std::int64_t first = kImageSectors / 3;
    const std::string offset = std::to_string(SectorOffset(first));
    const std::string bytes = std::to_string(SectorOffset(kCopyEntrySectors));
    WriteText(list, ListText({{first, kCopyEntrySectors, "20"}}));
    WriteFresh(image, {{0, kImageSectors}});

    Subject backups[] = {
        {"vorlix-cli backup", {c.cli, "backup", list, image, "1", cli_backup}, cli_backup},
        {"baseline copy",
         {self, "--baseline-copy", image, offset, baseline_backup, "0", bytes, "new"},
         baseline_backup},
    };
    std::uint64_t backup_hash = 0;
    for (int rep = 0; rep < c.repetitions; ++rep) {
        for (int k = 0; k < 2; ++k) {
            Subject& s = backups[(rep + k) % 2];
            std::filesystem::remove(cli_backup);
            std::filesystem::remove(baseline_backup);
            Settle(image);
            SettleFileSystem(c.dir);
            Progress("backup", rep, s, Measure(s, c));
            CheckSame(backup_hash, s);
        }
    }
    std::filesystem::remove(baseline_backup);
    // The restores put the backup's own bytes back, so every repetition does the same work.
    if (!std::filesystem::exists(cli_backup)) RunProgram(backups[0].argv, c.dir);

    Subject restores[] = {
        {"vorlix-cli restore", {c.cli, "restore", list, image, "1", cli_backup}, image},
        {"baseline copy",
         {self, "--baseline-copy", cli_backup, "0", image, offset, bytes, "existing"},
         image},
    };
    const std::uint64_t image_hash = ContentHash(image);
    for (int rep = 0; rep < c.repetitions; ++rep) {
        for (int k = 0; k < 2; ++k) {
            Subject& s = restores[(rep + k) % 2];
            Settle(image);
            Settle(cli_backup);
            SettleFileSystem(c.dir);
            Progress("restore", rep, s, Measure(s, c));
        }
    }
    if (ContentHash(image) != image_hash)
        throw std::runtime_error("Restoring an entry's own backup changed the image.");
    std::filesystem::remove(cli_backup);

    return {
        {"2a backup 100,000 sectors / baseline", backups[0].samples, backups[1].samples, 1.5},
        {"2b restore 100,000 sectors / baseline", restores[0].samples, restores[1].samples, 1.5},
    };
}

std::vector<Row> VerifyFigures(const Context& c) {
    const std::filesystem::path image = c.dir / "valid.bin";
    const std::string self = SelfPath().string();
    WriteValidImage(image, kImageSectors);
    // From the disk (the image dropped from the page cache before each run) and from the page
    // cache (read whole just before), as right after a rip or a copy.
    Row rows[2] = {{"7a verify / sequential read, from disk", {}, {}, 1.1},
                   {"7b verify / sequential read, cached", {}, {}, 1.5}};
    for (int cached = 0; cached < 2; ++cached) {
        Subject subjects[] = {
            {"vorlix-cli verify", {c.cli, "verify", image}, image},
            {"sequential read", {self, "--baseline-read", image}, image},
        };
        for (int rep = 0; rep < c.repetitions; ++rep) {
            for (int k = 0; k < 2; ++k) {
                Subject& s = subjects[(rep + k) % 2];
                Settle(image);
                SettleFileSystem(c.dir);
                if (cached) BaselineRead(image);
                Progress(cached ? "verify (cached)" : "verify", rep, s, Measure(s, c));
            }
        }
        if (subjects[0].out.find("No problems found.") == std::string::npos)
            throw std::runtime_error("vorlix-cli verify found problems in the valid image:\n" +
                                     subjects[0].out);
        rows[cached].subject = subjects[0].samples;
        rows[cached].baseline = subjects[1].samples;
    }
    std::filesystem::remove(image);
    return {rows[0], rows[1]};
}

std::vector<Row> LoadFigures(const Context& c) {
    const std::filesystem::path list = c.dir / "long.klv";
    WriteText(list, ListText(LongListEntries(kLongListEntries)));

    Row reader{"4a list reader, 50,000 entries", {}, {}, 200};
    for (int rep = 0; rep < c.repetitions; ++rep) {
        Settle(list);
        const auto begin = std::chrono::steady_clock::now();
        const std::size_t count = ReadEntryLines(ReadWholeFile(list)).size();
        const auto end = std::chrono::steady_clock::now();
        if (count != kLongListEntries)
            throw std::runtime_error("The list reader found " + std::to_string(count) +
                                     " entries in the long list.");
        reader.subject.values.push_back(std::chrono::duration<double>(end - begin).count());
    }

    Row window{"4b window fills lstKLV, 50,000 entries", {}, {}, 200};
    if (c.window.empty()) {
        window.unavailable = "the window is not built";
    } else {
        const ProgramRun run = RunProgram({c.window, "load", list, std::to_string(c.repetitions),
                                           std::to_string(kLongListEntries)},
                                          c.dir);
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("seconds=", 0) == 0)
                window.subject.values.push_back(ValueAfter(line, "seconds="));
        if (window.subject.values.size() != static_cast<std::size_t>(c.repetitions))
            throw std::runtime_error("Unexpected output from the window loader:\n" + run.out);
    }
    return {reader, window};
}

std::vector<Row> BigListFigures(const Context& c) {
    // Entries of every type laid over the addressable sectors again and again: each one is
    // planned, none is written.
    const std::filesystem::path list = c.dir / "big.klv";
    const std::filesystem::path image = c.dir / "big.bin";
    {
        std::vector<BenchEntry> entries = LongListEntries(kBigListEntries);
        for (BenchEntry& e : entries) e.start %= 900000;
        WriteText(list, ListText(entries));
    }
    WriteText(image, std::string(kRawSectorSize, '\0'));
    const double list_bytes = static_cast<double>(std::filesystem::file_size(list));

    Row time{"5a rip --dry-run, 1,000,000-entry list", {}, {}, 1000};
    Row memory{"5b its peak memory / list file size", {}, {}, 3};
    memory.unit = "MB";
    for (int rep = 0; rep < c.repetitions; ++rep) {
        Settle(list);
        // Measured from a small process of its own (see MeasureProgram), the plan discarded.
        const ProgramRun run =
            RunProgram({SelfPath().string(), "--baseline-measure", c.cli.string(), "rip",
                        list.string(), image.string(), "--blanks", c.blanks.string(), "--dry-run"},
                       c.dir);
        const double seconds = ValueAfter(run.out, "seconds=");
        const double peak = ValueAfter(run.out, "peak=");
        time.subject.values.push_back(seconds);
        memory.subject.values.push_back(peak / 1e6);
        memory.baseline.values.push_back(list_bytes / 1e6);
        std::cerr << "big list repetition " << rep + 1 << ": " << seconds << " s, " << peak / 1e6
                  << " MB for a " << list_bytes / 1e6 << " MB list\n";
    }
    return {time, memory};
}

}  // namespace vorlix::bench
