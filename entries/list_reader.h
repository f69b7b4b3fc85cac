#pragma once
// The entry list file format: a header line, entry lines "start:end:type", lines ended by CR LF,
// the list ended by the first later line that begins with ".".

#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

// Turns the bytes of a list file into its entry lines (the items of the list box), in file order,
// one character per byte.
std::vector<std::string> ReadEntryLines(std::string_view bytes);

}  // namespace vorlix
