#pragma once
// The fixed table of type codes and their display names.

#include <string_view>

namespace vorlix {

// "0"->"ST0", "1"->"ST1", "2"->"ST2", "10"->"XA", "20"->"TIM", "31"->"VA1", "32"->"VA2",
// "40"->"SEQ", "99"->"DUM"; compared as exact text; anything else is "???".
std::string_view TypeNameForCode(std::string_view code);

}  // namespace vorlix
