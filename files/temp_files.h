#pragma once
// Temporary files: a file is written under a temporary name beside its final one and renamed
// into place when complete. The name carries the process id and start time of the run that made
// it, so that a later run can tell its own stale leftovers (their process has ended) from the
// files of a run still going, and remove only those. A registered file is also removed when the
// process is ended by SIGINT, SIGTERM or SIGHUP.

#include <filesystem>
#include <string>
#include <string_view>

namespace vorlix {

// ".<final name>.vorlix-<pid>-<start>-<attempt>", where <start> is the process's start time in
// clock ticks since boot. The final name is shortened (never the suffix) so that the whole stays
// within `name_max` bytes.
std::string TemporaryName(std::string_view final_name, unsigned attempt, std::size_t name_max);

// The longest file name the directory's file system takes.
std::size_t NameMax(const std::filesystem::path& directory);

// Removes from `directory` the regular files of this user that follow the temporary pattern and
// whose process is no longer running. Best effort: what cannot be examined or removed stays.
void RemoveStaleTemporaries(const std::filesystem::path& directory);

// While it lives, its file is removed if the process is ended by SIGINT, SIGTERM or SIGHUP; the
// signal then takes its usual course. Signals the process ignores stay ignored.
class RemovedOnSignal {
public:
    explicit RemovedOnSignal(const std::filesystem::path& path);
    ~RemovedOnSignal();
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

private:
    int slot_ = -1;
};

}  // namespace vorlix
