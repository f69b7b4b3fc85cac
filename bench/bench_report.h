#pragma once
// Medians, spreads and the result table.

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace vorlix::bench {

struct Samples {
    std::vector<double> values;  // in run order
    double Median() const;
    double Min() const;
    double Max() const;
};

struct Row {
    Row(std::string figure_, Samples subject_, Samples baseline_, double target_)
        : figure(std::move(figure_)),
          subject(std::move(subject_)),
          baseline(std::move(baseline_)),
          target(target_) {}

    std::string figure;
    Samples subject;
    Samples baseline;               // empty: the subject (seconds) is judged alone, in alone_unit
    double target = 0;              // the largest ratio (or alone_unit) that passes; 0: shown only
    std::string unavailable;        // why the row could not be measured, when it could not
    const char* unit = "s";         // of subject and baseline when there is a baseline ("MB")
    const char* alone_unit = "ms";  // how a subject judged alone is shown, "ms" or "ns"
};

// The median ratio of subject to baseline, from the medians of both.
double Ratio(const Row& row);
// Whether the row meets its target (rows without one and unavailable rows always do).
bool Passes(const Row& row);

void PrintTable(std::ostream& out, const std::vector<Row>& rows);

}  // namespace vorlix::bench
