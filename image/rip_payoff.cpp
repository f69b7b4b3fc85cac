#include "image/rip_payoff.h"

#include <algorithm>
#include <cstdio>

#include "files/sector_file.h"
#include "image/rip_plan.h"

namespace vorlix {
namespace {

std::string Bytes(std::uint64_t n) {
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

}  // namespace

std::int64_t BlankBytes(const PlannedRip& rip) {
    // Kept structure rewrites sectors in place: all of them blank.
    if (rip.kept) return SectorOffset(rip.kept->Rewritten());
    const ReplacePlan& plan = rip.plan;
    if (plan.branch == ReplaceBranch::None) return 0;
    return SectorOffset(plan.range.count - std::min(plan.source_sectors, plan.range.count));
}

void AddPayoff(RipPayoff& payoff, const PlannedRip& rip, std::uint64_t block,
               std::uint64_t length) {
    payoff.blank_bytes += BlankBytes(rip);
    // A kept rewrite makes no hole and stays inside the image.
    if (rip.kept || rip.plan.branch == ReplaceBranch::None) return;
    const ReplacePlan& plan = rip.plan;
    payoff.end_bytes =
        std::max(payoff.end_bytes, SectorOffset(plan.range.start + plan.range.count));
    const std::int64_t taken = std::min(plan.source_sectors, plan.range.count);
    const std::int64_t filler = plan.range.count - taken;
    const bool zero_filler = plan.branch != ReplaceBranch::XA || !plan.options.xa_headers;
    if (!zero_filler || plan.options.valid_sectors || filler == 0) return;
    const ByteSpan hole =
        HoleIn(static_cast<std::uint64_t>(SectorOffset(plan.range.start + taken)),
               static_cast<std::uint64_t>(SectorOffset(plan.range.start + plan.range.count)), block,
               length);
    if (hole.end > hole.begin)
        payoff.hole_bytes += static_cast<std::int64_t>(hole.end - hole.begin);
}

std::string PayoffText(const RipPayoff& payoff, const DiskUse& before, const DiskUse* after,
                       bool valid_sectors) {
    // A rip lengthens an image its entries reach past; the share is of the image as it is after.
    const std::uint64_t length =
        after ? after->length
              : std::max(before.length, static_cast<std::uint64_t>(payoff.end_bytes));
    // Entries of a list may overlap: their sectors are blank once.
    const auto blank = std::min(static_cast<std::uint64_t>(payoff.blank_bytes), length);
    const double share =
        length > 0 ? 100.0 * static_cast<double>(blank) / static_cast<double>(length) : 0;
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.1f %%", share);
    std::string text = (after ? "Now blank: " : "Would be blank: ") + Bytes(blank) +
                       " of the image's " + std::to_string(length) + " (" + percent + "). ";
    if (after) {
        const std::uint64_t freed =
            before.allocated > after->allocated ? before.allocated - after->allocated : 0;
        text += "Disk space given back: " + Bytes(freed) + " (allocated " +
                std::to_string(before.allocated) + " bytes before, " +
                std::to_string(after->allocated) + " after).";
    } else if (valid_sectors) {
        text += "Disk space given back: none, --valid-sectors writes every sector (allocated " +
                Bytes(before.allocated) + ").";
    } else {
        text += "Disk space it could give back: up to " +
                Bytes(static_cast<std::uint64_t>(payoff.hole_bytes)) + " (allocated now " +
                Bytes(before.allocated) + ").";
    }
    return text + "\n";
}

}  // namespace vorlix
