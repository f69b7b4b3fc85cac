#include "image/rip_payoff.h"

#include <algorithm>

namespace vorlix {

namespace {

// Whole blocks of [begin, end) that lie before `length`: what SectorFile::ZeroSectors punches.
std::int64_t BlocksInside(std::uint64_t begin, std::uint64_t end, std::uint64_t block,
                          std::uint64_t length) {
    const std::uint64_t from = (begin + block - 1) / block * block;
    const std::uint64_t to = std::min(end, length) / block * block;
    return to > from ? static_cast<std::int64_t>(to - from) : 0;
}

}  // namespace

RipPayoff PayoffOf(const std::vector<PlannedRip>& plans, std::uint64_t block,
                   std::uint64_t length) {
    RipPayoff payoff;
    for (const PlannedRip& rip : plans) {
        const ReplacePlan& plan = rip.plan;
        if (plan.branch == ReplaceBranch::None) continue;
        const std::int64_t taken = std::min(plan.source_sectors, plan.range.count);
        const std::int64_t filler = plan.range.count - taken;
        payoff.blank_bytes += SectorOffset(filler);
        const bool zero_filler = plan.branch != ReplaceBranch::XA || !plan.options.xa_headers;
        if (zero_filler && !plan.options.valid_sectors && filler > 0)
            payoff.hole_bytes += BlocksInside(
                static_cast<std::uint64_t>(SectorOffset(plan.range.start + taken)),
                static_cast<std::uint64_t>(SectorOffset(plan.range.start + plan.range.count)),
                block, length);
    }
    return payoff;
}

}  // namespace vorlix
