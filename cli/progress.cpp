#include "cli/progress.h"

#include <ostream>
#include <string>

namespace vorlix::cli {

ProgressBar::ProgressBar(std::ostream& out, bool enabled, std::size_t total)
    : out_(out), enabled_(enabled && total > 0), total_(total) {}

void ProgressBar::Show(std::size_t done) {
    if (!enabled_) return;
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == shown_) return;
    shown_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    out_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] "
         << percent << "% " << done << "/" << total_ << std::flush;
}

void ProgressBar::Finish() {
    if (enabled_ && shown_ >= 0) out_ << "\r" << std::string(72, ' ') << "\r" << std::flush;
}

}  // namespace vorlix::cli
