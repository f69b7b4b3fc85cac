#include "disc/covered_structures.h"

#include <algorithm>

#include "base/failure.h"
#include "disc/file_system.h"
#include "entries/entry_details.h"
#include "entries/entry_range.h"

namespace vorlix {

namespace {

constexpr std::size_t kNamedEntries = 20;

}  // namespace

std::vector<std::string> EntriesCoveringStructures(const EntryLines& lines,
                                                   const std::filesystem::path& bin) {
    const FileSystem fs = ReadFileSystem(bin);
    std::vector<std::string> warnings;
    if (fs.structures.empty()) return warnings;
    // Most entries lie past the last structure; they need no closer look.
    std::int64_t reach = 0;
    for (const DiscStructure& s : fs.structures) reach = std::max(reach, s.last_sector());
    std::size_t covering = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const EntryLabels labels = LabelsOf(ShowEntryDetails(lines[i]));
        SectorRange range;
        try {
            range = ResolveRange(labels);
        } catch (const Failure&) {
            continue;  // a line that addresses nothing covers nothing
        }
        if (range.count <= 0 || range.start > reach) continue;
        const std::int64_t last = range.start + range.count - 1;
        const auto covered = StructuresIn(fs, range.start, last);
        if (covered.empty() || ++covering > kNamedEntries) continue;
        warnings.push_back("Entry " + std::to_string(i + 1) + " (" + labels.type_name +
                           ", sectors " + std::to_string(range.start) + "-" + std::to_string(last) +
                           ") covers " + NamesOf(covered) + " of the image's file system.");
    }
    if (covering > kNamedEntries)
        warnings.push_back("And " + std::to_string(covering - kNamedEntries) +
                           " more entries cover structures of the image's file system.");
    return warnings;
}

}  // namespace vorlix
