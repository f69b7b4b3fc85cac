#pragma once
// Rip All into a new image: the image is copied (a reflink where the file system can) and the
// copy is ripped, so the original stays as it was and the rip can be tried again.

#include <filesystem>
#include <optional>
#include <string>

#include "entries/list_reader.h"
#include "files/file_copy.h"
#include "files/new_image.h"
#include "image/rip_all.h"

namespace vorlix {

struct RipToNewReport {
    RipAllReport rip;
    CopyWay way = CopyWay::Copy;
    double copy_seconds = 0;
};

// Refuses, before anything is read or written, a new file that is the image, the list or a blank
// file, or (unless `overwrite`) a file that exists and is not empty.
void CheckNewImage(const NewImage& target, const std::filesystem::path& image,
                   const std::filesystem::path& list, const std::filesystem::path& blanks_dir,
                   bool overwrite);

// Makes Rip All's checks on `image`, copies it beside the new data track under a temporary name
// (`copy_progress` told as it goes), rips the copy through `hooks` as RipAll does, writes the cue
// and only then gives each file its name. `image` is only read, under a shared lock. A failure
// at any step removes what was made of the new image and leaves any earlier file of its name.
RipToNewReport RipToNewImage(const EntryLines& lines, const std::filesystem::path& image,
                             const NewImage& target, const std::filesystem::path& blanks_dir,
                             const RipAllHooks& hooks, const CopyProgress& copy_progress = {});

}  // namespace vorlix
