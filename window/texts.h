#pragma once
// The window's own texts that more than one handler uses.

#include <QLatin1String>

namespace vorlix::window {

inline constexpr QLatin1String kIdle("Idle");
inline constexpr QLatin1String kBackupInProgress("Backup in progress");
inline constexpr QLatin1String kRestoreInProgress("Restore in progress");
inline constexpr QLatin1String kReplaceInProgress("Replace in progress");

inline constexpr QLatin1String kSelectFile("Select File");
inline constexpr QLatin1String kRipNewTitle("Rip All to New Image");
inline constexpr QLatin1String kListFilter(
    "Kelvane / VORLIX files (*.klv,*.vlx)|*.klv;*.vlx|All Files (*.*)|*.*");
inline constexpr QLatin1String kImageFilter(
    "PSX CD Image file (*.bin)|*.bin|CUE sheet (*.cue)|*.cue|All Files (*.*)|*.*");
inline constexpr QLatin1String kVlxFilter("VORLIX files (*.vlx)|*.vlx|All Files (*.*)|*.*");
inline constexpr QLatin1String kOverwriteQuestion("File already exsists. Overwrite?");
inline constexpr QLatin1String kAllFilesFilter("All Files (*.*)|*.*");

}  // namespace vorlix::window
