#include "entries/list_reader.h"

#include <limits>
#include <stdexcept>

namespace vorlix {

EntryLines::EntryLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) push_back(line);
}

EntryLines::EntryLines(std::initializer_list<std::string_view> lines) {
    for (const std::string_view line : lines) push_back(line);
}

void EntryLines::Add(std::size_t offset, std::size_t length) {
    // Lists are capped far below this when read from a file (64 MiB).
    if (offset + length > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("an entry list of 4 GiB or more");
    spans_.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(length)});
}

void EntryLines::push_back(std::string_view line) {
    const std::size_t offset = text_.size();
    text_ += line;
    Add(offset, line.size());
}

void EntryLines::Replace(std::size_t i, std::string_view line) {
    const std::size_t offset = text_.size();
    if (offset + line.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("an entry list of 4 GiB or more");
    text_ += line;
    spans_[i] = {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(line.size())};
}

std::vector<std::string> EntryLines::ToStrings() const {
    return std::vector<std::string>(begin(), end());
}

bool operator==(const EntryLines& a, const EntryLines& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// The scan stops at offset L - 3, so a CR LF that ends the file closes no line: a line is taken
// only when at least one byte follows its CR LF. Line starts are kept in a size_t, so lists of any
// length are read fully.
EntryLines ReadEntryLines(std::string&& bytes) {
    EntryLines lines;
    lines.text_ = std::move(bytes);
    const std::string_view text = lines.text_;
    std::size_t line_start = 0;
    for (std::size_t p = 0; p + 3 <= text.size(); ++p) {
        if (text[p] != '\r' || text[p + 1] != '\n') continue;
        if (line_start != 0) {
            // An empty line starts at the CR itself, which is never the end marker.
            if (text[line_start] == '.') break;
            lines.Add(line_start, p - line_start);
        }
        line_start = p + 2;
    }
    return lines;
}

EntryLines ReadEntryLines(std::string_view bytes) {
    return ReadEntryLines(std::string(bytes));
}

}  // namespace vorlix
