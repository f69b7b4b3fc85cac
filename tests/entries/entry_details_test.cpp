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

// The two name rules differ on purpose: the branch reads the first two letters, Rip All wants a
// movie name or exactly XA or DUM. Movies share one blank.
TEST(TypeNameRules, BranchRipAllAndBlankFile) {
    using enum ReplaceBranch;
    struct Case {
        const char* name;
        ReplaceBranch branch;
        bool rippable;
        const char* blank;
    };
    const Case cases[] = {
        {"ST0", ST, true, "blank.STR"},      {"ST2", ST, true, "blank.STR"},
        {"STx", ST, true, "blank.STR"},      {"ST", ST, true, "blank.SR"},
        {"XA", XA, true, "blank.XA"},        {"XAB", XA, false, "blank.XAB"},
        {"XA ", XA, false, "blank.XA "},     {"DUM", DU, true, "blank.DUM"},
        {"DUMMY", DU, false, "blank.DUMMY"}, {"DU", DU, false, "blank.DU"},
        {"TIM", None, false, "blank.TIM"},   {"???", None, false, "blank.???"},
        {"", None, false, "blank."},         {"S", None, false, "blank.S"},
        {"xa", None, false, "blank.xa"},     {"st0", None, false, "blank.st0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BranchFor(c.name), c.branch) << c.name;
        EXPECT_EQ(IsRippable(c.name), c.rippable) << c.name;
        EXPECT_EQ(BlankFileName(c.name), c.blank) << c.name;
    }
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
