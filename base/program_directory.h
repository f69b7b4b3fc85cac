#pragma once
// Where the running program is, for the files it finds beside itself (the blank files).

#include <filesystem>

namespace vorlix {

// The directory that holds the running executable (the installed bin/ where /proc cannot say).
std::filesystem::path ProgramDirectory();

}  // namespace vorlix
