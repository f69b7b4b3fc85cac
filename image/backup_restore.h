#pragma once
// Copying one entry's raw sectors between the image and a backup file.

#include <cstdint>
#include <filesystem>
#include <string>

#include "entries/entry_range.h"
#include "image/write_options.h"

namespace vorlix {

// "START.TYPE": the name offered for an entry's backup file.
std::string DefaultBackupName(const EntryLabels& labels);

// Writes the entry's sectors to `backup`, replacing any file of that name as a whole: afterwards it
// holds exactly count * 2352 bytes (empty for an entry of less than one sector). Sectors past the
// end of the image are written as zero bytes. The image is only read. The file is written beside
// its final name and renamed into place, so a failure leaves any earlier file untouched. Returns
// the number of sectors written.
std::int64_t BackupEntry(const EntryLabels& labels, const std::filesystem::path& image,
                         const std::filesystem::path& backup);

// Writes the first count sectors of `backup` over the entry's sectors in the image, each made
// given its own address under options.valid_sectors (see ReaddressCopiedSector). Refuses, writing
// nothing, a missing image or a backup shorter than count * 2352 bytes. Returns the number of
// sectors written.
std::int64_t RestoreEntry(const EntryLabels& labels, const std::filesystem::path& image,
                          const std::filesystem::path& backup, const WriteOptions& options = {});

}  // namespace vorlix
