#include "bench/bench_report.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string_view>

namespace vorlix::bench {

double Samples::Median() const {
    if (values.empty()) return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t mid = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

double Samples::Min() const {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Samples::Max() const {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

namespace {

double AloneScale(const Row& row) {
    return std::string_view(row.alone_unit) == "ns" ? 1e9 : 1e3;
}

}  // namespace

double Ratio(const Row& row) {
    return row.subject.Median() / row.baseline.Median();
}

bool Passes(const Row& row) {
    if (!row.unavailable.empty() || row.target == 0) return true;
    const double value =
        row.baseline.values.empty() ? row.subject.Median() * AloneScale(row) : Ratio(row);
    return value <= row.target;
}

namespace {

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// The median with the spread, "2.314 (2.201-2.502) s" or, scaled, "12.3 (11.9-14.0) ms".
std::string Spread(const Samples& s, double scale, const char* unit = "s") {
    return scale != 1
               ? Format("%.1f (%.1f-%.1f) ", s.Median() * scale, s.Min() * scale, s.Max() * scale) +
                     unit
               : Format("%.3f (%.3f-%.3f) ", s.Median(), s.Min(), s.Max()) + unit;
}

// The spread of the ratio, taken run by run (the runs of one repetition follow each other).
Samples PairedRatios(const Row& row) {
    Samples r;
    const std::size_t n = std::min(row.subject.values.size(), row.baseline.values.size());
    for (std::size_t i = 0; i < n; ++i)
        r.values.push_back(row.subject.values[i] / row.baseline.values[i]);
    return r;
}

struct Cells {
    std::string subject, baseline, ratio, target;
};

Cells CellsOf(const Row& row) {
    if (row.baseline.values.empty())
        return {Spread(row.subject, AloneScale(row), row.alone_unit), "-", "-",
                row.target == 0 ? "-" : Format("<%.0f ", row.target) + row.alone_unit};
    const Samples paired = PairedRatios(row);
    return {Spread(row.subject, 1, row.unit), Spread(row.baseline, 1, row.unit),
            Format("%.2f (%.2f-%.2f)", Ratio(row), paired.Min(), paired.Max()),
            row.target == 0 ? "-" : Format("%.1fx", row.target)};
}

}  // namespace

void PrintTable(std::ostream& out, const std::vector<Row>& rows) {
    char line[256];
    const char* const format = "%-40s %-25s %-25s %-21s %-8s %s\n";
    std::snprintf(line, sizeof line, format, "figure", "subject median (min-max)",
                  "baseline median (min-max)", "ratio (per-run range)", "target", "result");
    out << line;
    for (const Row& row : rows) {
        if (!row.unavailable.empty()) {
            std::snprintf(line, sizeof line, format, row.figure.c_str(), "-", "-", "-",
                          row.target == 0 ? "-" : Format("%.1f", row.target).c_str(),
                          std::string("not measured: ").append(row.unavailable).c_str());
            out << line;
            continue;
        }
        const Cells cells = CellsOf(row);
        const char* result = row.target == 0 ? "(info)" : Passes(row) ? "PASS" : "MISS";
        std::snprintf(line, sizeof line, format, row.figure.c_str(), cells.subject.c_str(),
                      cells.baseline.c_str(), cells.ratio.c_str(), cells.target.c_str(), result);
        out << line;
    }
}

}  // namespace vorlix::bench
