#include "entries/type_change.h"

#include "entries/number_text.h"

namespace vorlix {

std::string NormaliseTypeCode(std::string_view box_text) {
    return FormatGeneral(NumberFromText(box_text));
}

std::string ReplaceTypeField(std::string_view line, std::string_view code) {
    const std::size_t last_colon = line.rfind(':');
    std::string result(last_colon == std::string_view::npos ? std::string_view()
                                                            : line.substr(0, last_colon + 1));
    result += code;
    return result;
}

}  // namespace vorlix
