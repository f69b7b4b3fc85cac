#pragma once
// The files a rip into a new image makes: its data track and, for a cue, the cue sheet's text.

#include <filesystem>
#include <optional>
#include <string>

namespace vorlix {

struct NewImage {
    std::filesystem::path bin;                 // the new data track
    std::optional<std::filesystem::path> cue;  // and its cue sheet, holding `cue_text`
    std::string cue_text;
};

}  // namespace vorlix
