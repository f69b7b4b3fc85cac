#include "files/pending_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/failure.h"

namespace vorlix {

std::filesystem::path WriteThroughTarget(const std::filesystem::path& name) {
    std::filesystem::path p = name;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno == ENOENT) return p;
            throw FileFailure("write", name, errno);
        }
        if (S_ISREG(st.st_mode)) return p;
        if (!S_ISLNK(st.st_mode)) throw NotRegularFailure(name);
        if (hops == 40) throw FileFailure("write", name, ELOOP);
        std::error_code ec;
        const std::filesystem::path link = std::filesystem::read_symlink(p, ec);
        if (ec) throw FileFailure("write", name, ec.value());
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
}

PendingFile::PendingFile(const std::filesystem::path& name)
    : target_(WriteThroughTarget(name)), shown_(name), dir_(target_.parent_path()) {
    RemoveStaleTemporaries(dir_);
    const std::size_t name_max = NameMax(dir_);
    for (unsigned attempt = 0;; ++attempt) {
        path_ = dir_ / TemporaryName(target_.filename().string(), attempt, name_max);
        try {
            file_.emplace(path_, OpenMode::CreateNew);
            break;
        } catch (const Failure& f) {
            if (f.system_error() == EEXIST && attempt < 100) continue;
            throw FileFailure("write", shown_, f.system_error());
        }
    }
    on_signal_.emplace(path_);
    // The new file keeps the mode and, where allowed, the owner of the file it replaces.
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0) {
        const int fd = file_->Descriptor();
        // Without the right to give it away, at least the group where the user may.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            [[maybe_unused]] const int group = ::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        }
        [[maybe_unused]] const int mode = ::fchmod(fd, st.st_mode & 07777);
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
    // Everything that can fail is tried before the rename; after it the backup is in place.
    std::optional<DirectoryHandle> opened;
    try {
        opened.emplace(dir_);
    } catch (const Failure& f) {
        throw Failure("Cannot write " + DisplayPath(shown_) + ": its directory " +
                          DisplayPath(dir_.empty() ? "." : dir_) +
                          " cannot be opened to make the new name durable (" +
                          std::strerror(f.system_error()) + "); nothing was written.",
                      f.system_error(), shown_);
    }
    DirectoryHandle& directory = *opened;
    file_->Flush();
    file_->Close();
    if (std::rename(path_.c_str(), target_.c_str()) != 0) throw FileFailure("write", shown_, errno);
    committed_ = true;
    on_signal_.reset();
    try {
        directory.Flush();
    } catch (const Failure& f) {
        throw Failure(DisplayPath(shown_) +
                          " was written in full, but its directory could not "
                          "be flushed (" +
                          f.what() + "), so the new name may not survive a crash.",
                      f.system_error(), shown_);
    }
}

}  // namespace vorlix
