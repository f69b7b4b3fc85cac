#include "image/rip_payoff.h"

#include <algorithm>

#include "files/sector_file.h"

namespace vorlix {

void AddPayoff(RipPayoff& payoff, const PlannedRip& rip, std::uint64_t block,
               std::uint64_t length) {
    if (!rip.kept && rip.plan.branch != ReplaceBranch::None)
        payoff.end_bytes =
            std::max(payoff.end_bytes, SectorOffset(rip.plan.range.start + rip.plan.range.count));
    // Kept structure rewrites sectors in place: all of them blank, none of them a hole.
    if (rip.kept) {
        payoff.blank_bytes += SectorOffset(rip.kept->Rewritten());
        return;
    }
    {
        const ReplacePlan& plan = rip.plan;
        if (plan.branch == ReplaceBranch::None) return;
        const std::int64_t taken = std::min(plan.source_sectors, plan.range.count);
        const std::int64_t filler = plan.range.count - taken;
        payoff.blank_bytes += SectorOffset(filler);
        const bool zero_filler = plan.branch != ReplaceBranch::XA || !plan.options.xa_headers;
        if (!zero_filler || plan.options.valid_sectors || filler == 0) return;
        const ByteSpan hole =
            HoleIn(static_cast<std::uint64_t>(SectorOffset(plan.range.start + taken)),
                   static_cast<std::uint64_t>(SectorOffset(plan.range.start + plan.range.count)),
                   block, length);
        if (hole.end > hole.begin)
            payoff.hole_bytes += static_cast<std::int64_t>(hole.end - hole.begin);
    }
}

}  // namespace vorlix
