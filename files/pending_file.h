#pragma once
// A file written beside its final name that only takes that name once it is complete, so a
// failure part way (or an interrupting signal) leaves any earlier file of that name untouched.

#include <filesystem>
#include <optional>

#include "files/sector_file.h"
#include "files/temp_files.h"

namespace vorlix {

// The file a name to be written stands for. A symbolic link is followed to the file it names, so
// that the file is written through it, as a shell's ">" would; anything that exists and is not a
// regular file (a FIFO, a device) is refused rather than replaced.
std::filesystem::path WriteThroughTarget(const std::filesystem::path& name);

class PendingFile {
public:
    // Creates the temporary file beside the file `name` stands for. Failures are reported under
    // `name`, the name the user gave.
    explicit PendingFile(const std::filesystem::path& name);
    // Removes the temporary file unless it was committed.
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    SectorFile& file() { return *file_; }

    // Flushes, closes and renames the file into place. The result keeps the mode and, where
    // allowed, the owner of the file it replaces. What can fail is tried before the rename.
    void Commit();

private:
    std::filesystem::path target_;
    std::filesystem::path shown_;
    std::filesystem::path dir_;
    std::filesystem::path path_;
    std::optional<SectorFile> file_;
    std::optional<RemovedOnSignal> on_signal_;
    bool committed_ = false;
};

}  // namespace vorlix
