#include "image/backup_restore.h"
#include "files/image_lock.h"

#include <string>

#include "base/failure.h"
#include "files/pending_file.h"
#include "files/sector_file.h"
#include "image/sector_copy.h"
#include "image/valid_sectors.h"

namespace vorlix {

std::string DefaultBackupName(const EntryLabels& labels) {
    return labels.start + "." + labels.type_name;
}

std::int64_t BackupEntry(const EntryLabels& labels, const std::filesystem::path& image,
                         const std::filesystem::path& backup) {
    const SectorRange range = ResolveRange(labels);
    const ImageLock lock(image, ImageAccess::Read);
    RefuseSameFile(image, backup, "backup file");
    SectorFile source(image, OpenMode::ReadOnly);
    PendingFile out(backup);
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
                          const std::filesystem::path& backup, const WriteOptions& options) {
    const SectorRange range = ResolveRange(labels);
    const ImageLock lock(image, ImageAccess::Write);
    if (options.valid_sectors) RequireCdAddresses(range);
    RequireWithinDataTrack(range, options);
    RefuseSameFile(image, backup, "backup file");
    SectorFile target(image, OpenMode::ReadWrite);
    SectorFile source(backup, OpenMode::ReadOnly);
    const std::uint64_t needed = static_cast<std::uint64_t>(SectorOffset(range.count));
    if (source.Size() < needed)
        throw Failure("Cannot restore from " + DisplayPath(backup) + ": it holds " +
                      std::to_string(source.Size()) + " bytes, fewer than the " +
                      std::to_string(needed) + " bytes of this entry's " +
                      std::to_string(range.count) + " sectors; nothing was written.");
    CopySectors(source, 0, target, range.start, range.count,
                options.valid_sectors ? Shape::Valid : Shape::AsGiven);
    target.Flush();
    target.Close();
    source.Close();
    return range.count;
}

}  // namespace vorlix
