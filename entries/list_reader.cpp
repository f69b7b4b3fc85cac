#include "entries/list_reader.h"

namespace vorlix {

// The scan stops at offset L - 3, so a CR LF that ends the file closes no line: a line is taken
// only when at least one byte follows its CR LF. Line starts are kept in a size_t, so lists of any
// length are read fully.
std::vector<std::string> ReadEntryLines(std::string_view bytes) {
    std::vector<std::string> items;
    std::size_t line_start = 0;
    for (std::size_t p = 0; p + 3 <= bytes.size(); ++p) {
        if (bytes[p] != '\r' || bytes[p + 1] != '\n') continue;
        if (line_start != 0) {
            // An empty line starts at the CR itself, which is never the end marker.
            if (bytes[line_start] == '.') break;
            items.emplace_back(bytes.substr(line_start, p - line_start));
        }
        line_start = p + 2;
    }
    return items;
}

}  // namespace vorlix
