#pragma once
// The entry list file format: a header line, entry lines "start:end:type", lines ended by CR LF,
// the list ended by the first later line that begins with ".".

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace vorlix {

// The entry lines of a list, in file order, one character per byte. They are kept as one buffer
// (the file's own bytes) and the position of each line in it, so that a list of millions of
// entries costs little more than its file: a line is a view into the buffer.
class EntryLines {
public:
    EntryLines() = default;
    // Lines given one by one (tests, a list built by a front end).
    EntryLines(const std::vector<std::string>& lines);  // NOLINT: converts on purpose
    EntryLines(std::initializer_list<std::string_view> lines);

    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    // Valid until the line is replaced or the list changes.
    std::string_view operator[](std::size_t i) const {
        return std::string_view(text_).substr(spans_[i].offset, spans_[i].length);
    }

    void push_back(std::string_view line);
    // Gives line i a new text (a type change for the run); the other lines keep theirs.
    void Replace(std::size_t i, std::string_view line);

    std::vector<std::string> ToStrings() const;
    friend bool operator==(const EntryLines& a, const EntryLines& b);

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = std::string_view;
        const_iterator() = default;
        const_iterator(const EntryLines* lines, std::size_t i) : lines_(lines), i_(i) {}
        std::string_view operator*() const { return (*lines_)[i_]; }
        const_iterator& operator++() {
            ++i_;
            return *this;
        }
        const_iterator operator++(int) { return {lines_, i_++}; }
        bool operator==(const const_iterator& o) const { return i_ == o.i_; }

    private:
        const EntryLines* lines_ = nullptr;
        std::size_t i_ = 0;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    friend EntryLines ReadEntryLines(std::string&& bytes);
    struct Span {
        std::uint32_t offset;
        std::uint32_t length;
    };
    void Add(std::size_t offset, std::size_t length);

    std::string text_;
    std::vector<Span> spans_;
};

// Turns the bytes of a list file into its entry lines (the items of the list box), in file order,
// one character per byte. The overload taking the bytes by value keeps them as the lines' buffer.
EntryLines ReadEntryLines(std::string&& bytes);
EntryLines ReadEntryLines(std::string_view bytes);

}  // namespace vorlix
