#include "entries/list_reader.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "support/synthetic.h"

namespace vorlix {
namespace {

using Lines = std::vector<std::string>;

TEST(ReadEntryLines, EdgeCases) {
    const struct {
        const char* what;
        std::string bytes;
        Lines items;
    } cases[] = {
        {"two entries", "HDR\r\n0:22:99\r\n23:522:10\r\n.\r\n", {"0:22:99", "23:522:10"}},
        {"marker line with text", "H\r\n5:9:1\r\n.5:9:1\r\nx", {"5:9:1"}},
        {"text after the marker", "H\r\n1:1:1\r\n.\r\n2:2:2\r\n3:3:3\r\n", {"1:1:1"}},
        {"dot inside a line", "H\r\n1.5:9:1\r\n5:9.:1\r\n.", {"1.5:9:1", "5:9.:1"}},
        {"header is never the marker", ".\r\n5:9:1\r\n.", {"5:9:1"}},
        {"marker right after the header", "\r\n.\r\nx", {}},
        {"empty lines", "H\r\n1:1:1\r\n\r\n2:2:2\r\n\r\n.", {"1:1:1", "", "2:2:2", ""}},
        {"only empty lines", "\r\n\r\nx", {""}},
        // The scan stops at L - 3: a CR LF needs one byte after it to close a line.
        {"empty file", "", {}},
        {"CR LF and one byte", "\r\nx", {}},
        {"no CR LF at all", "5:9:1", {}},
        {"last CR LF closes the file", "H\r\n5:9:1\r\n", {}},
        {"last line without CR LF", "H\r\n5:9:1\r\n6:7:2", {"5:9:1"}},
        {"one byte after the CR LF", "H\r\n5:9:1\r\nx", {"5:9:1"}},
        {"CR at L-2 of the last pair", "H\r\n1\r\n2\r\n", {"1"}},
        // Only CR LF ends a line; every other byte is carried.
        {"lone CR and LF", "H\r\na\rb\nc\r\n.", {"a\rb\nc"}},
        {"LF CR is no pair", "H\r\n1\n\r2\r\n.", {"1\n\r2"}},
        {"CR before the pair", "H\r\r\n1\r\r\n.", {"1\r"}},
        {"any byte carried", std::string("H\r\n\0\xff: 1\r\n.", 12), {std::string("\0\xff: 1", 5)}},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadEntryLines(c.bytes), c.items) << c.what;
}

TEST(ReadEntryLines, LinesStartingBeyondSixteenBitPositionsAreRead) {
    Lines lines;
    for (int i = 0; i < 6000; ++i)
        lines.push_back(std::to_string(i * 10) + ":" + std::to_string(i));
    lines.push_back(std::string(70000, '7'));  // one line longer than any 16-bit position
    lines.push_back("1:2:3");
    const std::string text = test::ListText(lines);
    ASSERT_GT(text.size(), 65536u);
    EXPECT_EQ(ReadEntryLines(text), lines);
}

// Bytes in use on malloc's heap, mapped blocks included.
std::size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// A list just under the 64 MiB cap holds millions of entries: its lines must cost a small
// multiple of the file, not a string each.
TEST(ReadEntryLines, ManyEntriesCostLittleMoreThanTheirFile) {
    std::string text = "KLV\r\n";
    for (int i = 0; i < 300'000; ++i)
        text += std::to_string(100000 + i) + ":" + std::to_string(200000 + i) + ":10\r\n";
    text += ".\r\n";
    const std::size_t file_size = text.size();
    const std::size_t heap_before = HeapInUse();
    const auto lines = ReadEntryLines(std::move(text));
    const std::size_t heap_after = HeapInUse();
    ASSERT_EQ(lines.size(), 300'000u);
    EXPECT_EQ(lines[299'999], "399999:499999:10");
    // Under a sanitizer the heap is not malloc's and shows no growth; the bound then holds.
    EXPECT_LE(heap_after - std::min(heap_after, heap_before), file_size);
}

TEST(EntryLines, AReplacedLineLeavesTheOthers) {
    EntryLines lines = ReadEntryLines(std::string_view("H\r\n1:2:3\r\n4:5:6\r\n.\r\n"));
    lines.Replace(0, "1:2:99");
    EXPECT_EQ(lines.ToStrings(), (Lines{"1:2:99", "4:5:6"}));
    lines.Replace(1, "");
    EXPECT_EQ(lines.ToStrings(), (Lines{"1:2:99", ""}));
}

}  // namespace
}  // namespace vorlix
