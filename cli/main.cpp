#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/cli_main.h"

namespace {

// What was printed must have reached standard output (a full disk, a closed pipe): a lost
// listing or plan is a failure, not a success.
int CheckStandardOutput(int status) {
    errno = 0;
    std::cout.flush();  // the first failed write keeps its errno
    int err = errno;
    bool failed = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (err == 0) err = errno;
    if (std::fclose(stdout) != 0) {
        failed = true;
        if (err == 0) err = errno;
    }
    if (!failed) return status;
    std::fprintf(stderr, "vorlix-cli: Cannot write standard output: %s\n",
                 std::strerror(err != 0 ? err : EIO));
    return status == vorlix::cli::kExitOk || status == vorlix::cli::kExitUsage
               ? vorlix::cli::kExitFailed
               : status;
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file-size limit a write fails with EFBIG and is reported like any failed write.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status =
        vorlix::cli::RunCli(args, {std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1});
    return CheckStandardOutput(status);
}
