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
    explicit Failure(const std::string& text, int system_error = 0, std::filesystem::path file = {})
        : std::runtime_error(text), system_error_(system_error), file_(std::move(file)) {}

    // The errno behind a failed file call, 0 for a refusal of the program's own.
    int system_error() const { return system_error_; }
    // The file a failed call was made on, empty for a refusal of the program's own.
    const std::filesystem::path& file() const { return file_; }

private:
    int system_error_;
    std::filesystem::path file_;
};

// Text as a one-line message shows it: control characters (a newline in a file name or an entry
// line) are written as escapes such as \n and \x1B, so that the message stays one line.
std::string PrintableText(std::string_view text);

// A path as messages show it: normalised, with the platform's native separators, printable.
std::string DisplayPath(const std::filesystem::path& path);

// The text as a sentence: a full stop added unless it ends with one (or with "!" or "?"). A
// message that goes on after another one's text makes that text a sentence first.
std::string Sentence(std::string_view text);

// "Cannot <action> <path>: <strerror(err)>".
Failure FileFailure(std::string_view action, const std::filesystem::path& path, int err);

// "<path> is not a regular file.": a FIFO, a device, a socket where a file is wanted.
Failure NotRegularFailure(const std::filesystem::path& path);

}  // namespace vorlix
