#include "base/failure.h"

#include <cstring>

namespace vorlix {

std::string PrintableText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

std::string DisplayPath(const std::filesystem::path& path) {
    return PrintableText(path.lexically_normal().make_preferred().string());
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

Failure NotRegularFailure(const std::filesystem::path& path) {
    return Failure(DisplayPath(path) + " is not a regular file.", 0, path);
}

}  // namespace vorlix
