#pragma once
// A fresh directory for one test, removed with everything in it when the test ends.

#include <filesystem>
#include <string>
#include <string_view>

namespace vorlix::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // Names of the entries left in the directory, sorted (to see stray temporary files).
    std::string Listing() const;

private:
    std::filesystem::path path_;
};

}  // namespace vorlix::test
