#include "entries/type_codes.h"

#include <algorithm>

namespace vorlix {

namespace {

// Whether `text` is the decimal spelling of `number`, no sign, no leading zero.
constexpr bool Spells(std::string_view text, int number) {
    do {
        if (text.empty() || text.back() != '0' + number % 10) return false;
        text.remove_suffix(1);
        number /= 10;
    } while (number > 0);
    return text.empty();
}

static_assert(std::all_of(kEntryTypes.begin(), kEntryTypes.end(),
                          [](const EntryType& t) { return Spells(t.code, t.number); }),
              "a row's code text and number disagree");

constexpr bool IsMovieName(std::string_view type_name) {
    return type_name.starts_with("ST");
}

}  // namespace

std::string_view TypeNameForCode(std::string_view code) {
    for (const EntryType& type : kEntryTypes)
        if (code == type.code) return type.name;
    return kUnknownTypeName;
}

ReplaceBranch BranchFor(std::string_view type_name) {
    const std::string_view key = type_name.substr(0, 2);
    if (key == "XA") return ReplaceBranch::XA;
    if (IsMovieName(type_name)) return ReplaceBranch::ST;
    if (key == "DU") return ReplaceBranch::DU;
    return ReplaceBranch::None;
}

bool IsRippable(std::string_view type_name) {
    return IsMovieName(type_name) || type_name == "XA" || type_name == "DUM";
}

std::string BlankFileName(std::string_view type_name) {
    std::string name = "blank.";
    name += type_name;
    // The three movie types share one blank.
    if (IsMovieName(type_name)) {
        name.pop_back();
        name += 'R';
    }
    return name;
}

}  // namespace vorlix
