#pragma once
// The Rip All walk, shared by the window and the command-line tool: the walk lives here and the
// front ends supply how an entry is selected and how the window yields.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "entries/list_reader.h"
#include "image/entry_range.h"
#include "image/replace_engine.h"
#include "image/stream_plan.h"

namespace vorlix {

struct RipAllHooks {
    // Selects entry i as a click would and returns the labels it shows. Required.
    std::function<EntryLabels(std::size_t index)> select_entry;
    // Called once per entry after it is selected (the window paints and takes input here).
    std::function<void()> yield;
    // Read anew for every ripped entry. Missing: the default options.
    std::function<WriteOptions()> options;
    // Rips the selected entry in the walk's image with Flush::Deferred and returns the sectors
    // written. Missing: RipEntry on the labels with the walk's image, blanks and options. The
    // window passes its own RipEntry, which reads its labels and wraps the writes in its busy
    // state.
    std::function<std::int64_t(const EntryLabels&, const std::filesystem::path& image)> rip_entry;
};

struct RipAllReport {
    std::size_t entries_ripped = 0;
    std::int64_t sectors_written = 0;
    // With keep_structure, what was left alone and why, one line per note, each naming its entry
    // ("entry 12: 37 sectors of video in a form VORLIX cannot keep; left alone"). Only the walk's
    // own RipEntry reports them; a front end's rip_entry hook does not.
    std::vector<std::string> notes;
};

struct PlannedRip {
    std::size_t index = 0;
    std::string_view line;  // a view of the list's line: valid while the list is
    EntryLabels labels;     // as selecting the entry shows it (end included)
    ReplacePlan plan;       // branch None for entries that are left alone
    // With keep_structure: what the in-place rewrite will do to a rippable entry's sectors.
    std::optional<StreamKeeping> kept;
};

// "entry 12: <note>", the entry counted from 1 as the list shows it.
std::vector<std::string> EntryNotes(std::size_t index, const StreamKeeping& kept);

// Every check Rip All makes before its first write, over the list's lines as selecting them would
// show them: each rippable entry can be addressed, the image can be written and is neither a
// blank file nor one through a link, and every blank file the entries need exists and is long
// enough; with keep_structure, each rippable entry is read and its rewrite planned. Throws
// Failure naming the entry or file. Holds a shared lock on the image meanwhile.
std::vector<PlannedRip> PlanRipAll(const EntryLines& lines, const std::filesystem::path& image,
                                   const std::filesystem::path& blanks_dir,
                                   const WriteOptions& options);

// The same checks, handing each entry's plan to `visit` in list order instead of keeping them
// all: for lists of millions of entries. Throws at the first entry that fails its checks.
void PlanRipAll(const EntryLines& lines, const std::filesystem::path& image,
                const std::filesystem::path& blanks_dir, const WriteOptions& options,
                const std::function<void(const PlannedRip&)>& visit);

// Checks as PlanRipAll, then walks the list top to bottom, and flushes the image once at the end,
// holding the image's exclusive lock (ImageLock) from the first check to the final flush. A
// failure stops the walk at that entry and is thrown as a Failure that names it, after what was
// written before it has been flushed.
RipAllReport RipAll(const EntryLines& lines, const std::filesystem::path& image,
                    const std::filesystem::path& blanks_dir, const RipAllHooks& hooks);

}  // namespace vorlix
