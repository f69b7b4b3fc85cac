#pragma once
// Entries of a list that would overwrite the image's own file system: a list made for another
// image, or by a tool that trusted a damaged record. Such lists keep working; the user is told.

#include <filesystem>
#include <string>
#include <vector>

#include "entries/list_reader.h"

namespace vorlix {

// One sentence for each entry of `lines` that covers a structure of the file system of `bin` (a
// raw .bin), naming the entry and the structures, in list order: at most 20, then one saying how
// many more. None when the image has no file system. Throws Failure when the image cannot be read.
std::vector<std::string> EntriesCoveringStructures(const EntryLines& lines,
                                                   const std::filesystem::path& bin);

}  // namespace vorlix
