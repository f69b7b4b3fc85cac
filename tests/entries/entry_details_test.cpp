#include "entries/entry_details.h"
#include "entries/type_codes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace vorlix {
namespace {

// Only the exact text of a known code names a type.
TEST(TypeNameForCode, ExactTextOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "???"},    {"00", "???"}, {"010", "???"}, {" 10", "???"},
        {"10 ", "???"}, {"-0", "???"}, {"1.0", "???"}, {"3", "???"},
        {"1\r", "???"}, {"XA", "???"}, {"&HA", "???"},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(TypeNameForCode(code), name) << code;
}

TEST(ShowEntryDetails, SplitsIntoLabelsAndTypeBox) {
    using Shown = std::array<std::string, 5>;  // start, end, length, type name, type box
    const std::pair<std::string, Shown> cases[] = {
        {"10:20:10", {"10", "20", "11", "XA", "10"}},
        {"0:0:99", {"0", "0", "1", "DUM", "99"}},
        {"7:3:1", {"7", "3", "-3", "ST1", "1"}},
        {"5", {"5", "", "-4", "???", ""}},
        {"", {"", "", "1", "???", ""}},
        {"1:2:", {"1", "2", "2", "???", ""}},
        {"1:2:010", {"1", "2", "2", "???", "010"}},
        {"1:2: 10", {"1", "2", "2", "???", " 10"}},
        {":::", {"", "", "1", "???", ":"}},
        {"1:2:3:4", {"1", "2", "2", "???", "3:4"}},
        {" 4 : 1 0 :40", {" 4 ", " 1 0 ", "7", "SEQ", "40"}},
        {"1e400:1:0", {"1e400", "1", "-1E+309", "ST0", "0"}},
        {"1e400:1e400:0", {"1e400", "1e400", "NaN", "ST0", "0"}},
        {"1\r:2\r:10\r", {"1\r", "2\r", "2", "???", "10\r"}},
    };
    for (const auto& [line, want] : cases) {
        const EntryDetails d = ShowEntryDetails(line);
        EXPECT_EQ((Shown{d.start, d.end, d.length, d.type_name, d.type_code}), want) << line;
    }
}

}  // namespace
}  // namespace vorlix
