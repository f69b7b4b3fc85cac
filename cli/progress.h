#pragma once
// A one-line progress bar on a terminal, redrawn in place.

#include <cstddef>
#include <iosfwd>

namespace vorlix::cli {

class ProgressBar {
  public:
    ProgressBar(std::ostream& out, bool enabled, std::size_t total);
    void Show(std::size_t done);  // redraws only when the shown percentage changes
    void Finish();                // clears the line

  private:
    std::ostream& out_;
    bool enabled_;
    std::size_t total_;
    int shown_ = -1;
};

}  // namespace vorlix::cli
