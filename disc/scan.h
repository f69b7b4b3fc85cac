#pragma once
// Scanning an image into an entry list: the file system's files classified by content, and a
// sector walk for movies and XA audio that no file covers or that sit inside archives.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorlix {

struct ScannedEntry {
    std::int64_t start = 0;
    std::int64_t end = 0;  // inclusive
    int code = 0;          // the type code written to the list (0, 1, 10, 20, 31, 32, 40, 99)
    std::string where;     // the file's path, or "sector walk"
    std::string evidence;  // sector counts by sub-header kind, magic found
};

struct ScanResult {
    std::filesystem::path image;        // as it was named: a .bin or a .cue
    std::filesystem::path bin;          // the data track that was scanned
    bool file_system = false;           // false: only the sector walk ran
    std::vector<ScannedEntry> entries;  // in sector order, never overlapping
    std::vector<std::string> warnings;  // one sentence each
};

// Called now and then with sectors done and the total; returning false cancels the scan.
using ScanProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Scans `image` (a .bin or a .cue). Returns nullopt when `progress` cancelled it. Throws Failure
// when the image cannot be read.
std::optional<ScanResult> ScanImage(const std::filesystem::path& image,
                                    const ScanProgress& progress = {});

// What the scan means by a code, for explanations: "movie", "XA audio", "TIM image" and so on.
std::string KindOfCode(int code);

}  // namespace vorlix
