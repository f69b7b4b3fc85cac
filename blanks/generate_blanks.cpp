// Writes blank.STR and blank.XA into the directory named on the command line. Run by the build,
// so that the files beside every executable come from the same code as the tests check.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "blanks/blank_files.h"

namespace {

std::string Reason(int err) {
    return std::strerror(err);
}

// Writes to a temporary name and renames it into place, so that a failed build leaves no half
// file that a later build could take for finished. Returns an error message, empty on success.
std::string WriteAtomically(const std::filesystem::path& path, const vorlix::ByteVector& bytes) {
    const std::filesystem::path temp = path.string() + ".tmp";
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (out == nullptr) return "Cannot create " + temp.string() + ": " + Reason(errno);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int write_err = errno;
    if (std::fclose(out) != 0 || !written) {
        const int err = written ? errno : write_err;
        std::remove(temp.c_str());
        return "Cannot write " + temp.string() + ": " + Reason(err);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        std::remove(temp.c_str());
        return "Cannot rename " + temp.string() + " to " + path.string() + ": " + Reason(err);
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s OUTPUT-DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "Cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    for (const auto& [name, bytes] : {std::pair{vorlix::kBlankStrName, vorlix::MakeBlankStr()},
                                      std::pair{vorlix::kBlankXaName, vorlix::MakeBlankXa()}}) {
        const std::string error = WriteAtomically(dir / name, bytes);
        if (!error.empty()) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
