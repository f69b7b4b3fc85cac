#include "files/same_file.h"

#include <string>
#include <system_error>

#include "base/failure.h"

namespace vorlix {

void RefuseSameFile(const std::filesystem::path& image, const std::filesystem::path& other,
                    const char* role) {
    std::error_code ec;
    if (std::filesystem::equivalent(image, other, ec))
        throw Failure("Cannot use " + DisplayPath(other) + " as the " + role +
                      ": it is the image itself; nothing was written.");
}

}  // namespace vorlix
