#include "entries/type_change.h"

#include <gtest/gtest.h>

#include <string>

#include "entries/entry_details.h"

namespace vorlix {
namespace {

TEST(NormaliseTypeCode, WritesTheNumberBackInGeneralFormat) {
    const std::pair<std::string, std::string> cases[] = {
        {"07", "7"},    {"", "0"},     {"1a", "1"}, {"-1", "-1"},  {"99", "99"},
        {"  ", "0"},    {"x", "0"},    {"-0", "0"}, {"1 0", "10"}, {"1.5", "1.5"},
        {"1e2", "100"}, {"&HF", "15"}, {"&H", "0"}, {"1e", "1"},   {".", "0"},
    };
    for (const auto& [box, code] : cases) EXPECT_EQ(NormaliseTypeCode(box), code) << box;
}

TEST(ReplaceTypeField, KeepsEverythingUpToTheLastColon) {
    const std::string cases[][3] = {
        {"10:20:10", "99", "10:20:99"},
        {"1:2:", "10", "1:2:10"},
        {"1:2", "10", "1:10"},
        {"5", "1", "1"},
        {"", "1", "1"},
        {":", "0", ":0"},
        {"1:2:3:4", "7", "1:2:3:7"},
        {" 1 : 2 : 3 ", "0", " 1 : 2 :0"},
    };
    for (const auto& [line, code, want] : cases) {
        EXPECT_EQ(ReplaceTypeField(line, code), want) << line << " + " << code;
    }
}

TEST(TypeChange, NewTypeShowsOnTheNextSelection) {
    const struct {
        std::string line, box, new_line, new_name;
    } cases[] = {
        {"10:20:10", "99", "10:20:99", "DUM"}, {"10:20:10", "07", "10:20:7", "???"},
        {"10:20:10", "", "10:20:0", "ST0"},    {"1:2:", "10", "1:2:10", "XA"},
        {"0:3:2", "-1", "0:3:-1", "???"},
    };
    for (const auto& c : cases) {
        const std::string changed = ReplaceTypeField(c.line, NormaliseTypeCode(c.box));
        EXPECT_EQ(changed, c.new_line);
        const EntryDetails shown = ShowEntryDetails(changed);
        EXPECT_EQ(shown.type_name, c.new_name) << changed;
        EXPECT_EQ(shown.start, ShowEntryDetails(c.line).start) << changed;
        EXPECT_EQ(shown.end, ShowEntryDetails(c.line).end) << changed;
    }
}

}  // namespace
}  // namespace vorlix
