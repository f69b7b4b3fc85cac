#pragma once
// Runs a program of the build as its own process, as a user's shell would, and reports how it
// ended: for what only a real process shows (signals, limits, standard output, locks).

#include <functional>
#include <string>
#include <vector>

namespace vorlix::test {

struct ProcessOutcome {
    bool exited = false;  // false: ended by a signal, or killed after the time limit
    int status = -1;      // exit status when exited
    int signal = 0;       // the signal that ended it, when not exited
    bool timed_out = false;
    std::string out, err;
};

struct ProcessSetup {
    // Runs in the child before exec (setrlimit, signal dispositions).
    std::function<void()> before_exec;
    // Where standard output goes; empty: captured into ProcessOutcome::out.
    std::string stdout_path;
    double seconds = 10;
};

// Runs `program` (a path) with `args`; kills it after setup.seconds.
ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& args,
                          const ProcessSetup& setup = {});

// The vorlix-cli beside the running test program.
std::string CliProgram();

}  // namespace vorlix::test
