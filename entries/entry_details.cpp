#include "entries/entry_details.h"

#include "entries/number_text.h"
#include "entries/type_codes.h"

namespace vorlix {

EntryDetails ShowEntryDetails(std::string_view line) {
    // Three slots: each ":" closes the current slot, and after the second one the type slot takes
    // the rest of the line, later ":" included.
    std::string_view slots[3];
    std::size_t k = 0;
    std::size_t field_start = 0;
    for (std::size_t c = 0; c < line.size() && k < 2; ++c) {
        if (line[c] != ':') continue;
        slots[k++] = line.substr(field_start, c - field_start);
        field_start = c + 1;
    }
    slots[k] = line.substr(field_start);

    EntryDetails details;
    details.start = std::string(slots[0]);
    details.end = std::string(slots[1]);
    details.length = FormatGeneral(NumberFromText(slots[1]) - NumberFromText(slots[0]) + 1);
    details.type_name = std::string(TypeNameForCode(slots[2]));
    details.type_code = std::string(slots[2]);
    return details;
}

}  // namespace vorlix
