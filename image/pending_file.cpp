#include "image/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "image/failure.h"

namespace vorlix {

PendingFile::PendingFile(const std::filesystem::path& target) : target_(target) {
    const std::filesystem::path dir = target.parent_path();
    for (int attempt = 0;; ++attempt) {
        path_ = dir / ("." + target.filename().string() + ".vorlix-" + std::to_string(::getpid()) +
                       "-" + std::to_string(attempt));
        if (FileLength(path_) < 0) break;
    }
    try {
        file_.emplace(path_, OpenMode::CreateNew);
    } catch (const Failure& f) {
        throw FileFailure("write", target, f.system_error());
    }
}

PendingFile::~PendingFile() {
    if (!committed_) {
        file_.reset();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
}

void PendingFile::Commit() {
    // Keep the permissions of the file being replaced.
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) ::chmod(path_.c_str(), st.st_mode & 07777);
    file_->Flush();
    file_->Close();
    if (std::rename(path_.c_str(), target_.c_str()) != 0)
        throw FileFailure("replace", target_, errno);
    committed_ = true;
    FlushDirectory(target_.parent_path().empty() ? "." : target_.parent_path());
}

}  // namespace vorlix
