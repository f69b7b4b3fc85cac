#include "entries/entry_details.h"
#include "entries/type_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlix {
namespace {

TEST(TypeNameForCode, ExactTextOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"0", "ST0"},   {"1", "ST1"},   {"2", "ST2"},   {"10", "XA"},   {"20", "TIM"},
        {"31", "VA1"},  {"32", "VA2"},  {"40", "SEQ"},  {"99", "DUM"},  {"", "???"},
        {"00", "???"},  {"010", "???"}, {" 10", "???"}, {"10 ", "???"}, {"-0", "???"},
        {"1.0", "???"}, {"3", "???"},   {"9", "???"},   {"100", "???"}, {"1\r", "???"},
        {"XA", "???"},  {"ST0", "???"}, {"&HA", "???"}, {"1e1", "???"}, {"3:4", "???"},
    };
    for (const auto& [code, name] : cases) EXPECT_EQ(TypeNameForCode(code), name) << code;
}

struct DetailsCase {
    std::string line;
    EntryDetails shown;
};

TEST(ShowEntryDetails, SplitsIntoLabelsAndTypeBox) {
    const DetailsCase cases[] = {
        {"10:20:10", {"10", "20", "11", "XA", "10"}},
        {"0:0:99", {"0", "0", "1", "DUM", "99"}},
        {"7:3:1", {"7", "3", "-3", "ST1", "1"}},
        {"23:522:2", {"23", "522", "500", "ST2", "2"}},
        {"5", {"5", "", "-4", "???", ""}},
        {"", {"", "", "1", "???", ""}},
        {"1:2", {"1", "2", "2", "???", ""}},
        {"1:2:", {"1", "2", "2", "???", ""}},
        {"1:2:010", {"1", "2", "2", "???", "010"}},
        {"1:2: 10", {"1", "2", "2", "???", " 10"}},
        {"::", {"", "", "1", "???", ""}},
        {":::", {"", "", "1", "???", ":"}},
        {"1:2:3:4", {"1", "2", "2", "???", "3:4"}},
        {"1:2:0:", {"1", "2", "2", "???", "0:"}},
        {" 4 : 1 0 :40", {" 4 ", " 1 0 ", "7", "SEQ", "40"}},
        {"a:b:20", {"a", "b", "1", "TIM", "20"}},
        {"1.5:3:0", {"1.5", "3", "2.5", "ST0", "0"}},
        {"&H10:&H1F:31", {"&H10", "&H1F", "16", "VA1", "31"}},
        {"0:99999999999999999999:32", {"0", "99999999999999999999", "1E+20", "VA2", "32"}},
        {"1e400:1:0", {"1e400", "1", "-1E+309", "ST0", "0"}},
        {"1e400:1e400:0", {"1e400", "1e400", "NaN", "ST0", "0"}},
        {"1\r:2\r:10\r", {"1\r", "2\r", "2", "???", "10\r"}},
    };
    for (const auto& [line, want] : cases) {
        const EntryDetails got = ShowEntryDetails(line);
        EXPECT_EQ(got.start, want.start) << line;
        EXPECT_EQ(got.end, want.end) << line;
        EXPECT_EQ(got.length, want.length) << line;
        EXPECT_EQ(got.type_name, want.type_name) << line;
        EXPECT_EQ(got.type_code, want.type_code) << line;
    }
}

}  // namespace
}  // namespace vorlix
