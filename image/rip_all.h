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

#include "entries/entry_range.h"
#include "entries/list_reader.h"
#include "image/replace_engine.h"
#include "image/rip_plan.h"

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
    // The options hold for the whole walk (the command line): the checks before the first write
    // then plan every entry under them, so that what a plan refuses is refused before anything is
    // written. Otherwise the checks are the default options' and each entry is refused as it
    // comes to it.
    bool fixed_options = false;
};

struct RipAllReport {
    std::size_t entries_ripped = 0;
    std::int64_t sectors_written = 0;
    // With keep_structure, what was left alone and why, one line per note, each naming its entry
    // ("entry 12: 37 sectors of video in a form VORLIX cannot keep; left alone"). Only the walk's
    // own RipEntry reports them; a front end's rip_entry hook does not.
    std::vector<std::string> notes;
    // What the entries ripped leave blank (blank_bytes only). As the notes, only the walk's own
    // RipEntry counts it.
    RipPayoff payoff;
};

// Every check Rip All makes before its first write (PlanRipAll): with fixed_options under the
// walk's own options, except that a kept rip's entries are read only as they are rewritten (their
// ranges are still checked here, by CheckKeptRanges); otherwise under the default options.
void CheckBeforeFirstWrite(const EntryLines& lines, const std::filesystem::path& image,
                           const std::filesystem::path& blanks_dir, const RipAllHooks& hooks);

// Checks as PlanRipAll, then walks the list top to bottom, and flushes the image once at the end,
// holding the image's exclusive lock (ImageLock) from the first check to the final flush. A
// failure stops the walk at that entry and is thrown as a Failure that names it, after what was
// written before it has been flushed.
RipAllReport RipAll(const EntryLines& lines, const std::filesystem::path& image,
                    const std::filesystem::path& blanks_dir, const RipAllHooks& hooks);

}  // namespace vorlix
