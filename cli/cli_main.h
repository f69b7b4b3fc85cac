#pragma once
// The command-line tool as a function, so it can be driven in-process by tests.

#include <iosfwd>
#include <string>
#include <vector>

namespace vorlix::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitProblemsFound = 3;  // verify: the image was read and is not sound

struct Streams {
    std::ostream& out;
    std::ostream& err;
    bool err_is_terminal = false;  // show a progress bar on `err`
};

// `args` excludes the program name.
int RunCli(const std::vector<std::string>& args, Streams streams);

}  // namespace vorlix::cli
