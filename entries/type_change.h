#pragma once
// Overriding an entry's type code for the rest of the run.

#include <string>
#include <string_view>

namespace vorlix {

// The type box's text after normalising: number-from-text, written in the general format
// ("07" -> "7", "" -> "0", "1a" -> "1").
std::string NormaliseTypeCode(std::string_view box_text);

// The line with everything after its last ":" replaced by the code (the whole line when it has
// no ":").
std::string ReplaceTypeField(std::string_view line, std::string_view code);

}  // namespace vorlix
