#pragma once
// How the core reports an operation that cannot go on: one sentence that names the file (or the
// entry) and the reason, ready for a message box or standard error.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlix {

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "Cannot <action> <path>: <strerror(err)>", with the platform's native separators.
Failure FileFailure(std::string_view action, const std::filesystem::path& path, int err);

}  // namespace vorlix
