#include "image/backup_restore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "image/failure.h"
#include "image/sector_copy.h"
#include "image/sector_file.h"
#include "image/temp_files.h"

namespace vorlix {

std::string DefaultBackupName(const EntryLabels& labels) {
    return labels.start + "." + labels.type_name;
}

bool NeedsOverwriteQuestion(const std::filesystem::path& path) {
    return FileLength(path) > 0;
}

namespace {

// The file a backup name stands for. A symbolic link is followed to the file it names, so that
// the backup is written through it, as a shell's ">" would; anything that exists and is not a
// regular file (a FIFO, a device) is refused rather than replaced.
std::filesystem::path BackupTarget(const std::filesystem::path& backup) {
    std::filesystem::path p = backup;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0) {
            if (errno == ENOENT) return p;
            throw FileFailure("write", backup, errno);
        }
        if (S_ISREG(st.st_mode)) return p;
        if (!S_ISLNK(st.st_mode)) throw NotRegularFailure(backup);
        if (hops == 40) throw FileFailure("write", backup, ELOOP);
        std::error_code ec;
        const std::filesystem::path link = std::filesystem::read_symlink(p, ec);
        if (ec) throw FileFailure("write", backup, ec.value());
        p = link.is_absolute() ? link : p.parent_path() / link;
    }
}

// A file beside the backup's final name that only becomes the backup once it is complete; it is
// removed again if anything fails before then, or if the process is interrupted.
class PendingFile {
public:
    PendingFile(const std::filesystem::path& target, const std::filesystem::path& shown)
        : target_(target), shown_(shown), dir_(target.parent_path()) {
        RemoveStaleTemporaries(dir_);
        const std::size_t name_max = NameMax(dir_);
        for (unsigned attempt = 0;; ++attempt) {
            path_ = dir_ / TemporaryName(target.filename().string(), attempt, name_max);
            try {
                file_.emplace(path_, OpenMode::CreateNew);
                break;
            } catch (const Failure& f) {
                if (f.system_error() == EEXIST && attempt < 100) continue;
                throw FileFailure("write", shown_, f.system_error());
            }
        }
        on_signal_.emplace(path_);
        // The backup keeps the mode and, where allowed, the owner of the file it replaces.
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
    ~PendingFile() {
        if (!committed_) {
            file_.reset();
            std::error_code ec;
            std::filesystem::remove(path_, ec);
        }
    }
    SectorFile& file() { return *file_; }

    void Commit() {
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
        if (std::rename(path_.c_str(), target_.c_str()) != 0)
            throw FileFailure("write", shown_, errno);
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

private:
    std::filesystem::path target_;
    std::filesystem::path shown_;
    std::filesystem::path dir_;
    std::filesystem::path path_;
    std::optional<SectorFile> file_;
    std::optional<RemovedOnSignal> on_signal_;
    bool committed_ = false;
};

}  // namespace

std::int64_t BackupEntry(const EntryLabels& labels, const std::filesystem::path& image,
                         const std::filesystem::path& backup) {
    const SectorRange range = ResolveRange(labels);
    const ImageLock lock(image, ImageAccess::Read);
    RefuseSameFile(image, backup, "backup file");
    SectorFile source(image, OpenMode::ReadOnly);
    PendingFile out(BackupTarget(backup), backup);
    try {
        CopySectors(source, range.start, out.file(), 0, range.count);
        source.Close();
        out.Commit();
    } catch (const Failure& f) {
        // The user knows the backup by its own name, not by the file it is written to first.
        if (f.file() == out.file().Path()) throw FileFailure("write", backup, f.system_error());
        throw;
    }
    return range.count;
}

std::int64_t RestoreEntry(const EntryLabels& labels, const std::filesystem::path& image,
                          const std::filesystem::path& backup) {
    const SectorRange range = ResolveRange(labels);
    const ImageLock lock(image, ImageAccess::Write);
    RefuseSameFile(image, backup, "backup file");
    SectorFile target(image, OpenMode::ReadWrite);
    SectorFile source(backup, OpenMode::ReadOnly);
    const std::uint64_t needed = static_cast<std::uint64_t>(SectorOffset(range.count));
    if (source.Size() < needed)
        throw Failure("Cannot restore from " + DisplayPath(backup) + ": it holds " +
                      std::to_string(source.Size()) + " bytes, fewer than the " +
                      std::to_string(needed) + " bytes of this entry's " +
                      std::to_string(range.count) + " sectors; nothing was written.");
    CopySectors(source, 0, target, range.start, range.count);
    target.Flush();
    target.Close();
    source.Close();
    return range.count;
}

}  // namespace vorlix
