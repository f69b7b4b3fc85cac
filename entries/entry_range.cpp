#include "entries/entry_range.h"

#include <cmath>
#include <string>

#include "base/failure.h"
#include "entries/entry_details.h"
#include "entries/number_text.h"
#include "sector/sector_geometry.h"

namespace vorlix {

EntryLabels LabelsOf(const EntryDetails& details) {
    return {details.start, details.length, details.type_name, details.end};
}

EntryLabels LabelsOf(EntryDetails&& details) {
    return {std::move(details.start), std::move(details.length), std::move(details.type_name),
            std::move(details.end)};
}

namespace {

bool IsWhole(double v) {
    return std::isfinite(v) && v == std::floor(v);
}

Failure EntryFailure(const std::string& why) {
    return Failure("Cannot use this entry: " + PrintableText(why) + "; nothing was written.");
}

}  // namespace

SectorRange ResolveRange(const EntryLabels& labels) {
    const double start = NumberFromText(labels.start);
    const double length = NumberFromText(labels.length);
    const auto last = static_cast<double>(kLastAddressableSector);
    // No number at all reads as 0, but acting on sector 0 for a start that says nothing would
    // overwrite the start of the disc by surprise.
    if (!HasLeadingNumber(labels.start))
        throw EntryFailure("its start sector \"" + labels.start + "\" is not a number");
    // Likewise an end of no number would read as 0 and make "0:x" the first sector of the disc.
    if (labels.end && !HasLeadingNumber(*labels.end))
        throw EntryFailure("its end sector \"" + *labels.end + "\" is not a number");
    if (!IsWhole(start) || start < 0)
        throw EntryFailure("its start sector \"" + labels.start +
                           "\" is not a whole number of 0 or more");
    if (start > last)
        throw EntryFailure("its start sector " + labels.start + " lies beyond sector " +
                           std::to_string(kLastAddressableSector) +
                           ", the last an image can address");
    SectorRange range{static_cast<std::int64_t>(start), 0};
    if (length < 1) return range;
    if (!IsWhole(length))
        throw EntryFailure("its length \"" + labels.length + "\" is not a whole number of sectors");
    if (start + length - 1 > last)
        throw EntryFailure("it ends beyond sector " + std::to_string(kLastAddressableSector) +
                           ", the last an image can address");
    range.count = static_cast<std::int64_t>(length);
    return range;
}

}  // namespace vorlix
