// The entry split with the number rule and the type lookup, on an arbitrary line.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "entries/entry_details.h"
#include "entries/number_text.h"
#include "entries/type_codes.h"
#include "fuzz_check.h"

using namespace vorlix;

namespace {

bool SameDetails(const EntryDetails& a, const EntryDetails& b) {
    return a.start == b.start && a.end == b.end && a.length == b.length &&
           a.type_name == b.type_name && a.type_code == b.type_code;
}

bool Ignored(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

void CheckNumberRule(std::string_view text) {
    const double value = NumberFromText(text);
    FUZZ_CHECK(!std::isnan(value));
    FUZZ_CHECK(!(value == 0 && std::signbit(value)));

    // Spaces, tabs and line feeds make no difference wherever they are.
    std::string squeezed(text);
    squeezed.erase(std::remove_if(squeezed.begin(), squeezed.end(), Ignored), squeezed.end());
    const double again = NumberFromText(squeezed);
    FUZZ_CHECK(again == value);

    // The general format reads back as the same number: exactly for whole numbers and infinity,
    // to 15 significant digits otherwise.
    const std::string written = FormatGeneral(value);
    FUZZ_CHECK(!written.empty() && written != "-0" && written.find(' ') == std::string::npos);
    const double back = NumberFromText(written);
    const bool whole = std::isfinite(value) && value == std::trunc(value);
    if (std::isinf(value) || whole) {
        FUZZ_CHECK(back == value);
    } else if (std::fabs(value) >= 1e-290) {
        FUZZ_CHECK(std::fabs(back - value) <= 1e-14 * std::fabs(value));
    }
    if (whole) {
        const std::string_view digits = std::string_view(written).substr(value < 0 ? 1 : 0);
        FUZZ_CHECK(!digits.empty() && digits.find_first_not_of("0123456789") == digits.npos);
        FUZZ_CHECK(digits.size() == 1 || digits[0] != '0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const EntryDetails shown = ShowEntryDetails(line);

    // The slots put back together give the line; the first two never hold a ":".
    const auto colons = std::count(line.begin(), line.end(), ':');
    std::string rebuilt = shown.start;
    if (colons >= 1) rebuilt += ":" + shown.end;
    if (colons >= 2) rebuilt += ":" + shown.type_code;
    FUZZ_CHECK(rebuilt == line);
    FUZZ_CHECK(shown.start.find(':') == std::string::npos);
    FUZZ_CHECK(shown.end.find(':') == std::string::npos);
    if (colons < 2) FUZZ_CHECK(shown.type_code.empty());
    if (colons < 1) FUZZ_CHECK(shown.end.empty());

    // A line rebuilt in full start:end:type form shows the same.
    FUZZ_CHECK(SameDetails(ShowEntryDetails(shown.start + ":" + shown.end + ":" + shown.type_code),
                           shown));

    FUZZ_CHECK(shown.type_name == TypeNameForCode(shown.type_code));
    static constexpr std::string_view kNames[] = {"ST0", "ST1", "ST2", "XA",  "TIM",
                                                  "VA1", "VA2", "SEQ", "DUM", "???"};
    FUZZ_CHECK(std::find(std::begin(kNames), std::end(kNames), shown.type_name) !=
               std::end(kNames));
    if (shown.type_name != "???") {
        FUZZ_CHECK(!shown.type_code.empty() && shown.type_code.size() <= 2);
        FUZZ_CHECK(shown.type_code.find_first_not_of("0123456789") == std::string::npos);
    }

    FUZZ_CHECK(shown.length ==
               FormatGeneral(NumberFromText(shown.end) - NumberFromText(shown.start) + 1));
    CheckNumberRule(line);
    CheckNumberRule(shown.start);
    CheckNumberRule(shown.end);
    return 0;
}
