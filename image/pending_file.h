#pragma once
// A file written beside its final name that only takes that name once it is complete, so a
// failure part way leaves any earlier file of that name untouched.

#include <filesystem>
#include <optional>

#include "image/sector_file.h"

namespace vorlix {

class PendingFile {
public:
    // Creates the temporary file beside `target`. A failure is reported under the target's name.
    explicit PendingFile(const std::filesystem::path& target);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    SectorFile& file() { return *file_; }

    // Flushes, closes and renames the file into place, keeping the permissions of the file it
    // replaces.
    void Commit();

private:
    std::filesystem::path target_;
    std::filesystem::path path_;
    std::optional<SectorFile> file_;
    bool committed_ = false;
};

}  // namespace vorlix
