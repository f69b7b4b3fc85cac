#pragma once
// The entry list a scan writes: its text, the checks on where it goes, and the atomic write.

#include <filesystem>
#include <string>

#include "disc/scan.h"

namespace vorlix {

// The list file's text: a header line naming the image and the program's version, one
// "start:end:code" line per entry, the "." end marker, CR LF throughout.
std::string FormatEntryList(const ScanResult& scan, const std::string& image_name);

// Refuses, before anything is written, a list that would replace the image or its cue sheet, or
// an existing non-empty file unless `overwrite`. A front end may call it before it scans.
void CheckListTarget(const std::filesystem::path& list, const std::filesystem::path& image,
                     bool overwrite);

// Writes the list atomically, after the checks of CheckListTarget.
void WriteEntryList(const std::filesystem::path& list, const ScanResult& scan,
                    const std::string& image_name, bool overwrite);

}  // namespace vorlix
