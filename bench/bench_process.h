#pragma once
// Running a program as its own process and timing it from spawn to exit, as a user would see it.

#include <filesystem>
#include <string>
#include <vector>

namespace vorlix::bench {

struct ProgramRun {
    double seconds = 0;
    std::string out;   // what it wrote to standard output
    long peak_kb = 0;  // its peak resident memory
};

// Runs argv[0] with the given arguments, standard output and error captured in files under
// `scratch`. Throws std::runtime_error, with the program's error output, when it does not exit 0.
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& scratch);

// This executable's own path, to run its internal baseline modes as separate processes.
std::filesystem::path SelfPath();

}  // namespace vorlix::bench
