#include "files/overwrite_rule.h"

#include "base/failure.h"
#include "files/sector_file.h"

namespace vorlix {

bool NeedsOverwriteQuestion(const std::filesystem::path& path) {
    return FileLength(path) > 0;
}

void RefuseToReplace(const std::filesystem::path& path, bool overwrite) {
    if (!overwrite && NeedsOverwriteQuestion(path))
        throw Failure("Cannot write " + DisplayPath(path) +
                      ": it already exists and is not empty; nothing was written.");
}

}  // namespace vorlix
