#include "entries/type_change.h"

#include <gtest/gtest.h>

#include <string>

#include "entries/entry_details.h"

namespace vorlix {
namespace {

TEST(NormaliseTypeCode, WritesTheNumberBackInGeneralFormat) {
    const std::pair<std::string, std::string> cases[] = {
        {"07", "7"}, {"", "0"},     {"1a", "1"},    {"-1", "-1"},  {"x", "0"},
        {"-0", "0"}, {"1 0", "10"}, {"1.5", "1.5"}, {"&HF", "15"}, {"1e", "1"},
    };
    for (const auto& [box, code] : cases) EXPECT_EQ(NormaliseTypeCode(box), code) << box;
}

// Each row: the selected line, the typed box, the new line, its type name when selected again.
TEST(TypeChange, ReplacesWhatFollowsTheLastColon) {
    const std::string cases[][4] = {
        {"10:20:10", "99", "10:20:99", "DUM"},
        {"10:20:10", "07", "10:20:7", "???"},
        {"10:20:10", "", "10:20:0", "ST0"},
        {"1:2:", "10", "1:2:10", "XA"},
        {"1:2", "10", "1:10", "???"},
        {"5", "1", "1", "???"},
        {"", "1", "1", "???"},
        {"0:3:2", "-1", "0:3:-1", "???"},
        {"1:2:3:4", "7", "1:2:3:7", "???"},
        {" 1 : 2 : 3 ", "0", " 1 : 2 :0", "ST0"},
    };
    for (const auto& [line, box, new_line, new_name] : cases) {
        const std::string changed = ReplaceTypeField(line, NormaliseTypeCode(box));
        EXPECT_EQ(changed, new_line) << line << " + " << box;
        EXPECT_EQ(ShowEntryDetails(changed).type_name, new_name) << changed;
    }
}

}  // namespace
}  // namespace vorlix
