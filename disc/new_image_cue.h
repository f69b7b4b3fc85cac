#pragma once
// Where a rip into a new image writes, and the cue sheet such an image gets.

#include <filesystem>

#include "files/new_image.h"

namespace vorlix {

// For `output` a .cue (by extension, any case): the data track "<its stem>.bin" beside it and a
// cue whose track 1 file is that data track and whose other files are the original's, by their
// absolute paths (the audio tracks are not copied; they play from the original files), made from
// `image` as the user named it (a one-track cue when that is a .bin). For any other `output`: that
// file alone. Throws Failure for a cue sheet of `image` that cannot be read.
NewImage NewImageFor(const std::filesystem::path& image, const std::filesystem::path& output);

}  // namespace vorlix
