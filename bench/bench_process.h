#pragma once
// Running a program as its own process and timing it from spawn to exit, as a user would see it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorlix::bench {

struct ProgramRun {
    double seconds = 0;
    std::string out;                // what it wrote to standard output
    std::uint64_t peak_memory = 0;  // its largest resident set, in bytes
};

// Runs argv[0] with the given arguments, standard output and error captured in files under
// `scratch`. Throws std::runtime_error, with the program's error output, when it does not exit 0.
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& scratch);

struct Measured {
    double seconds = 0;
    std::uint64_t peak_memory = 0;  // the largest resident set, in bytes
};

// Runs argv[0] with its standard output discarded and measures it from spawn to exit. The peak
// counts what the spawning process had resident at the spawn, so call it from a small process.
Measured MeasureProgram(const std::vector<std::string>& argv);

// This executable's own path, to run its internal baseline modes as separate processes.
std::filesystem::path SelfPath();

}  // namespace vorlix::bench
