// The list reader on arbitrary bytes, checked against what the items must be: the lines after the
// header in file order, each closed by a CR LF with at least one byte after it, up to the first
// line that begins with ".".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "entries/list_reader.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto items = vorlix::ReadEntryLines(bytes);

    // Only a CR LF at offset L - 3 or before closes a line.
    const auto closing_pair = [&](std::size_t from) {
        const std::size_t p = bytes.find("\r\n", from);
        return p != std::string_view::npos && p + 3 <= size ? p : std::string_view::npos;
    };

    std::size_t p = closing_pair(0);  // end of the header line
    if (p == std::string_view::npos) {
        FUZZ_CHECK(items.empty());
        return 0;
    }
    std::size_t line_start = p + 2;
    for (const auto& item : items) {
        FUZZ_CHECK(item.find("\r\n") == std::string::npos);
        FUZZ_CHECK(item.empty() || item[0] != '.');
        FUZZ_CHECK(bytes.substr(line_start, item.size()) == item);
        p = line_start + item.size();
        FUZZ_CHECK(p + 3 <= size && bytes.substr(p, 2) == "\r\n");
        line_start = p + 2;
    }
    // The scan stopped for a reason: an end marker line, or no closing CR LF left.
    FUZZ_CHECK(bytes[line_start] == '.' || closing_pair(line_start) == std::string_view::npos);
    return 0;
}
