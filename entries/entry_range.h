#pragma once
// The hand-over from the front ends: an entry as its details labels show it, and the sector range
// the image operations take from those texts.

#include <cstdint>
#include <optional>
#include <string>

namespace vorlix {

struct EntryDetails;

// The texts of lblStart, lblLength and lblType at the moment an operation runs, and lblEnd's
// where the caller has it (the length alone cannot tell an end of "x" from an end of 0).
struct EntryLabels {
    std::string start;
    std::string length;
    std::string type_name;
    std::optional<std::string> end = std::nullopt;
};

EntryLabels LabelsOf(const EntryDetails& details);
EntryLabels LabelsOf(EntryDetails&& details);

struct SectorRange {
    std::int64_t start = 0;
    std::int64_t count = 0;  // 0 when the entry covers less than one sector
};

// Reads start and length by the number-from-text rule. Throws Failure, before anything is opened,
// when the start or the end holds no number, the start is not a whole number >= 0, the length is
// not whole, or the entry's last sector lies beyond kLastAddressableSector.
SectorRange ResolveRange(const EntryLabels& labels);

}  // namespace vorlix
