#include "base/program_directory.h"

#include <system_error>

namespace vorlix {

std::filesystem::path ProgramDirectory() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    // Without /proc (a chroot, a sandbox) the program is taken to be where it was installed.
    if (ec) return VORLIX_INSTALL_BINDIR;
    return exe.parent_path();
}

}  // namespace vorlix
