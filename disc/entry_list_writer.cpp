#include "disc/entry_list_writer.h"

#include <span>
#include <string>

#include "base/failure.h"
#include "base/program_version.h"
#include "disc/image_source.h"
#include "files/overwrite_rule.h"
#include "files/pending_file.h"
#include "files/same_file.h"
#include "files/sector_file.h"

namespace vorlix {

std::string FormatEntryList(const ScanResult& scan, const std::string& image_name) {
    // The header line is never read back, but a CR or LF in a file name must not split it.
    std::string name = image_name;
    for (char& c : name)
        if (c == '\r' || c == '\n') c = '?';
    std::string text = "VORLIX list of " + name + ", " + VersionLine() + "\r\n";
    for (const ScannedEntry& e : scan.entries)
        text += std::to_string(e.start) + ":" + std::to_string(e.end) + ":" +
                std::to_string(e.code) + "\r\n";
    return text + ".\r\n";
}

void CheckListTarget(const std::filesystem::path& list, const std::filesystem::path& image,
                     bool overwrite) {
    RefuseSameFile(image, list, "list file");
    RefuseSameFile(DataTrackOf(image), list, "list file");
    RefuseToReplace(list, overwrite);
}

void WriteEntryList(const std::filesystem::path& list, const ScanResult& scan,
                    const std::string& image_name, bool overwrite) {
    CheckListTarget(list, scan.image.empty() ? scan.bin : scan.image, overwrite);
    const std::string text = FormatEntryList(scan, image_name);
    PendingFile out(list);
    try {
        out.file().WriteAt(
            0, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        out.Commit();
    } catch (const Failure& f) {
        // The user knows the list by its own name, not by the file it is written to first.
        if (f.file() == out.file().Path()) throw FileFailure("write", list, f.system_error());
        throw;
    }
}

}  // namespace vorlix
