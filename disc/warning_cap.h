#pragma once
// Warnings of one kind, capped: a damaged or crafted image can raise one per record, and a reader
// learns nothing from the thousandth that the first twenty did not say.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vorlix {

inline constexpr std::size_t kWarningsShownPerKind = 20;

class CappedWarnings {
public:
    // `more` ends the line that stands for the rest: "and 12 more " + `more`.
    explicit CappedWarnings(std::string more) : more_(std::move(more)) {}

    void Add(std::string sentence);
    std::size_t count() const { return count_; }

    // Appends the first kWarningsShownPerKind warnings, then "and N more …" when there were more.
    void AppendTo(std::vector<std::string>& out) const;

private:
    std::string more_;
    std::vector<std::string> shown_;
    std::size_t count_ = 0;
};

}  // namespace vorlix
