#include "entries/type_codes.h"

#include <array>
#include <utility>

namespace vorlix {

std::string_view TypeNameForCode(std::string_view code) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kTable{{
        {"0", "ST0"},
        {"1", "ST1"},
        {"2", "ST2"},
        {"10", "XA"},
        {"20", "TIM"},
        {"31", "VA1"},
        {"32", "VA2"},
        {"40", "SEQ"},
        {"99", "DUM"},
    }};
    for (const auto& [known, name] : kTable) {
        if (code == known) return name;
    }
    return "???";
}

}  // namespace vorlix
