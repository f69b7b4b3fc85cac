#pragma once
// Ripping one entry: the replace engine with the source taken from the blank file of the entry's
// type.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>

#include "entries/entry_range.h"
#include "entries/type_codes.h"
#include "image/replace_engine.h"

namespace vorlix {

struct PlannedRip;

// Where the blank files are for a program in `program_dir`: "blanks" beside it (the build tree, a
// portable copy), else "../share/vorlix/blanks" (an installed program). Refused, naming both
// places, when neither is a directory.
std::filesystem::path DefaultBlanksDirectory(const std::filesystem::path& program_dir);

// <blanks>/BlankFileName(type name): blank.STR for all three movie types.
std::filesystem::path BlankPath(const std::filesystem::path& blanks_dir,
                                std::string_view type_name);

// What a front end does around the writes of one entry (the window disables itself and shows
// "Replace in progress"). `end` also runs when the writes fail.
struct WorkHooks {
    std::function<void()> begin;
    std::function<void()> end;
};

// The sectors Rip rewrites in place when it keeps the stream structure: those of an entry whose
// type selects a replace branch, whatever its length from one sector (no blank file limits it).
// Nothing for an entry that is left alone; Failure for one that cannot be addressed.
std::optional<SectorRange> KeptRange(const EntryLabels& labels);

// Plans the entry's rip and runs the plan: replaces the entry with its blank file (none is opened
// for DUM), or with keep_structure rewrites it in place. Reports into `planned` the plan it ran
// (its labels, and its replace plan or what became of its sectors when kept). Returns the sectors
// written; an entry that is left alone by its type or length writes none and runs no hook.
std::int64_t RipEntry(const EntryLabels& labels, const std::filesystem::path& image,
                      const std::filesystem::path& blanks_dir, const WriteOptions& options,
                      const WorkHooks& work = {}, Flush flush = Flush::Now,
                      PlannedRip* planned = nullptr);

}  // namespace vorlix
