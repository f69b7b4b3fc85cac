#pragma once
// Overwriting one entry in place: its leading sectors from a source file of raw sectors, the rest
// with filler sectors, chosen by the entry's type name.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "entries/entry_range.h"
#include "entries/type_codes.h"
#include "image/write_options.h"
#include "sector/sector_geometry.h"

namespace vorlix {

// The 24 bytes that begin every XA filler sector: sync, the fixed address 25:26:33, mode 2 and
// the sub-header of silent stereo 37.8 kHz XA audio, twice.
inline constexpr std::array<std::uint8_t, 24> kXaSectorPrefix = {
    0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00,
    0x25, 0x26, 0x33, 0x02, 0x01, 0x00, 0x64, 0x01, 0x01, 0x00, 0x64, 0x01};

inline constexpr std::int64_t kStSourceSectors = 404;  // movies take this many from the source
inline constexpr std::int64_t kXaSourceSectors = 1;

struct ReplacePlan {
    ReplaceBranch branch = ReplaceBranch::None;
    SectorRange range;
    std::int64_t source_sectors = 0;  // sectors read from the source: 1, 404 or 0
    WriteOptions options;             // the run's options as the plan was made
    std::string skipped_because;      // why nothing is written, when branch is None
};

// Chooses the branch by the first two characters of the type name ("XA", "ST", "DU"). An ST entry
// under 404 sectors, an entry of less than one sector, and any other type are left alone. Throws
// Failure for an entry the chosen branch could not address (see ResolveRange).
ReplacePlan PlanReplace(const EntryLabels& labels, const WriteOptions& options);

// Whether an operation makes its writes reach stable storage before it returns. Rip All defers
// the flush of each entry to one flush at the end of the walk: a flush per entry costs more than
// the writes on many disks.
enum class Flush { Now, Deferred };

// Checks, before anything is written, that the image exists and the source (unless the branch
// needs none) holds the sectors the branch copies; then writes the plan's sectors and flushes the
// image. Returns the number of sectors written (0 for a plan that leaves the entry alone).
std::int64_t RunReplace(const ReplacePlan& plan, const std::filesystem::path& image,
                        const std::filesystem::path& source, Flush flush = Flush::Now);

// Makes everything written to the image reach stable storage.
void FlushImage(const std::filesystem::path& image);

// Refuses, with a Failure naming the file, a source that is missing or shorter than the sectors the
// plan copies.
void CheckSource(const ReplacePlan& plan, const std::filesystem::path& source);

// Refuses an image that is missing or cannot be opened for writing.
void CheckImage(const std::filesystem::path& image);

}  // namespace vorlix
