#pragma once
// Carrying out a kept-structure plan: the sectors it marks rewritten in place.

#include <cstdint>

#include "image/stream_plan.h"

namespace vorlix {

class SectorFile;

// Rewrites the sectors `plan` marks, each at its own address with its EDC (kept zero where a
// Form 2 sector had none) and, in Form 1, its ECC. `held` holds the entry's bytes as
// PlanStreamKeeping left them there; without it they are read again batch by batch. Writes
// nothing for an entry left alone. Returns the sectors written.
std::int64_t KeepStreamStructure(SectorFile& image, const StreamKeeping& plan, std::uint8_t* held);

// Plans the range and carries the plan out, the entry read once when it is short enough to hold;
// the plan is left in `plan`. Returns the sectors written.
std::int64_t PlanAndKeepStreamStructure(SectorFile& image, SectorRange range, StreamKeeping& plan);

}  // namespace vorlix
