#pragma once
// The ask-before-replacing rule: a file that exists and is not empty is replaced only when the
// user has said so (the window asks; the command line wants --overwrite).

#include <filesystem>

namespace vorlix {

// True when the file exists and is not empty: the case in which the user is asked first.
bool NeedsOverwriteQuestion(const std::filesystem::path& path);

// Unless `overwrite`, refuses such a file: "Cannot write <path>: it already exists and is not
// empty; nothing was written."
void RefuseToReplace(const std::filesystem::path& path, bool overwrite);

}  // namespace vorlix
