#include "disc/warning_cap.h"

namespace vorlix {

void CappedWarnings::Add(std::string sentence) {
    if (++count_ <= kWarningsShownPerKind) shown_.push_back(std::move(sentence));
}

void CappedWarnings::AppendTo(std::vector<std::string>& out) const {
    out.insert(out.end(), shown_.begin(), shown_.end());
    if (count_ > shown_.size())
        out.push_back("and " + std::to_string(count_ - shown_.size()) + " more " + more_);
}

}  // namespace vorlix
