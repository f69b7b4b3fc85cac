// The type change on an arbitrary type box text and entry line. Input: the box text, a NUL byte,
// then the line (no NUL: all of it is the box text and the line is empty).

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "entries/entry_details.h"
#include "entries/number_text.h"
#include "entries/type_change.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorlix;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string_view box = input.substr(0, nul);
    const std::string_view line =
        nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

    // The normalised code is a number in the general format: no ":", no blanks, and stable when
    // normalised again (15 digits survive a trip through a double, short of subnormals and of
    // values that round up past the largest double).
    const std::string code = NormaliseTypeCode(box);
    FUZZ_CHECK(!code.empty());
    FUZZ_CHECK(code.find_first_of(": \t\n\r") == std::string::npos);
    const double value = NumberFromText(box);
    if (value == 0 || std::isinf(value) ||
        (std::fabs(value) >= DBL_MIN && std::fabs(value) < 1e308)) {
        FUZZ_CHECK(NormaliseTypeCode(code) == code);
    }

    // Everything up to the last ":" stays; the code replaces the rest.
    const std::string changed = ReplaceTypeField(line, code);
    const std::size_t last_colon = line.rfind(':');
    const std::size_t kept = last_colon == std::string_view::npos ? 0 : last_colon + 1;
    FUZZ_CHECK(changed.size() == kept + code.size());
    FUZZ_CHECK(std::string_view(changed).substr(0, kept) == line.substr(0, kept));
    FUZZ_CHECK(std::string_view(changed).substr(kept) == code);
    FUZZ_CHECK(std::count(changed.begin(), changed.end(), ':') ==
               std::count(line.begin(), line.end(), ':'));

    // An entry line of the start:end:type form keeps its start and end and takes the new type.
    if (std::count(line.begin(), line.end(), ':') == 2) {
        const EntryDetails before = ShowEntryDetails(line);
        const EntryDetails after = ShowEntryDetails(changed);
        FUZZ_CHECK(after.start == before.start && after.end == before.end);
        FUZZ_CHECK(after.length == before.length && after.type_code == code);
    }
    return 0;
}
