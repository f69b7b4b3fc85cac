#pragma once
// The plan of a rip, made once per entry before it is written: a plain replace plan, or with
// keep_structure the in-place rewrite of the entry's sectors; the checks Rip All makes before its
// first write; and what a plan does, in words and in sectors, as a dry run tells it.

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
#include "image/rip_payoff.h"
#include "image/stream_plan.h"

namespace vorlix {

struct DiskUse;

struct PlannedRip {
    std::size_t index = 0;
    std::string_view line;  // a view of the list's line: valid while the list is
    EntryLabels labels;     // as selecting the entry shows it (end included)
    ReplacePlan plan;       // branch None for entries that are left alone
    // With keep_structure: what the in-place rewrite will do to a rippable entry's sectors.
    std::optional<StreamKeeping> kept;
};

// "entry 12 (<the line>)", how a refusal names its entry.
std::string EntryName(std::size_t index, std::string_view line);

// "entry 12: <note>", the entry counted from 1 as the list shows it.
std::vector<std::string> EntryNotes(std::size_t index, const StreamKeeping& kept);

// What a replace plan writes, in words; its leading sectors come from `source`.
std::string DescribeReplace(const ReplacePlan& plan, const std::string& source);

// What the rip of one entry writes, plain or kept, in words; a plain plan names the blank file of
// the entry's type in `blanks_dir`.
std::string DescribeRip(const PlannedRip& rip, const std::filesystem::path& blanks_dir);

// The sectors the rip of one entry writes.
std::int64_t SectorsWritten(const PlannedRip& rip);

// Every check Rip All makes before its first write, over the list's lines as selecting them would
// show them: each rippable entry can be addressed, the image can be written and is neither a
// blank file nor one through a link, and every blank file the entries need exists and is long
// enough; with keep_structure, each rippable entry is read and its rewrite planned. Throws
// Failure naming the entry or file. Holds a shared lock on the image meanwhile.
std::vector<PlannedRip> PlanRipAll(const EntryLines& lines, const std::filesystem::path& image,
                                   const std::filesystem::path& blanks_dir,
                                   const WriteOptions& options);

// The checks of a kept rip that read nothing: every rippable entry lies inside the data track and
// has CD addresses. For a walk that reads each entry only as it rewrites it, so that these are
// still refused before the first write. Throws Failure naming the entry.
void CheckKeptRanges(const EntryLines& lines, const WriteOptions& options);

// The same checks, handing each entry's plan to `visit` in list order instead of keeping them
// all: for lists of millions of entries. Throws at the first entry that fails its checks.
void PlanRipAll(const EntryLines& lines, const std::filesystem::path& image,
                const std::filesystem::path& blanks_dir, const WriteOptions& options,
                const std::function<void(const PlannedRip&)>& visit);

// What a dry run of Rip All finds.
struct RipDryRun {
    std::size_t entries = 0;  // entries it would write to
    std::int64_t sectors = 0;
    std::vector<std::string> notes;  // with keep_structure, each naming its entry (EntryNotes)
    RipPayoff payoff;
};

// Plans the rip of every entry as PlanRipAll does, writing nothing, and hands each plan with its
// words (DescribeRip) to `row` as it is made. `before` is how the image sits on the disk now.
RipDryRun DryRunRipAll(const EntryLines& lines, const std::filesystem::path& image,
                       const std::filesystem::path& blanks_dir, const WriteOptions& options,
                       const DiskUse& before,
                       const std::function<void(const PlannedRip&, const std::string&)>& row);

}  // namespace vorlix
