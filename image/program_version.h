#pragma once
// The program's version, as About and --version show it.

#include <cstdio>
#include <string>

namespace vorlix {

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 5;
inline constexpr int kVersionRevision = 9;

// "Version: 1.05 Build: 09": minor and revision always two digits.
inline std::string VersionLine() {
    char text[64];
    std::snprintf(text, sizeof text, "Version: %d.%02d Build: %02d", kVersionMajor, kVersionMinor,
                  kVersionRevision);
    return text;
}

}  // namespace vorlix
