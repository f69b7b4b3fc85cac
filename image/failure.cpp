#include "image/failure.h"

#include <cstring>

namespace vorlix {

std::string DisplayPath(const std::filesystem::path& path) {
    return path.lexically_normal().make_preferred().string();
}

std::string Sentence(std::string_view text) {
    std::string sentence(text);
    if (sentence.empty() || sentence.find_last_of(".!?") != sentence.size() - 1) sentence += '.';
    return sentence;
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
