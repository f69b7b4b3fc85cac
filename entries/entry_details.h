#pragma once
// Splitting one entry line into the texts the window shows for the selected entry.

#include <string>
#include <string_view>

namespace vorlix {

struct EntryDetails {
    std::string start;      // lblStart: slot 0, unchanged
    std::string end;        // lblEnd: slot 1, unchanged
    std::string length;     // lblLength: end - start + 1 in the general number format
    std::string type_name;  // lblType: slot 2 looked up in the type table
    std::string type_code;  // txtChange: slot 2, unchanged
};

// A line with three or more ":" keeps everything after the second ":" in the type slot, so such
// a line shows type "???" and is never acted on.
EntryDetails ShowEntryDetails(std::string_view line);

}  // namespace vorlix
