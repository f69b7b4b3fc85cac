#include "image/failure.h"

#include <cstring>

namespace vorlix {

std::string DisplayPath(const std::filesystem::path& path) {
    return path.lexically_normal().make_preferred().string();
}

Failure FileFailure(std::string_view action, const std::filesystem::path& path, int err) {
    std::string text = "Cannot ";
    text += action;
    text += ' ';
    text += DisplayPath(path);
    text += ": ";
    text += std::strerror(err);
    return Failure(text, err, path);
}

}  // namespace vorlix
