#include "sector/sector_problems.h"

#include <algorithm>

namespace vorlix {
namespace {

constexpr std::uint8_t Bit(SectorProblem kind) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(kind));
}

}  // namespace

std::string_view ProblemName(SectorProblem kind) {
    switch (kind) {
        case SectorProblem::Empty:
            return "empty sectors (all zero, no sync)";
        case SectorProblem::NoSync:
            return "no sync pattern";
        case SectorProblem::WrongAddress:
            return "wrong header address";
        case SectorProblem::WrongMode:
            return "mode byte not 2";
        case SectorProblem::SubHeader:
            return "sub-header copies differ";
        case SectorProblem::Edc:
            return "EDC mismatch";
        case SectorProblem::Ecc:
            return "ECC (P/Q parity) mismatch";
    }
    return {};
}

std::uint8_t SectorProblems(SectorView sector, std::int64_t position) {
    const bool synced = HasSync(sector);
    if (!synced)
        return std::ranges::all_of(sector, [](std::uint8_t b) { return b == 0; })
                   ? Bit(SectorProblem::Empty)
                   : Bit(SectorProblem::NoSync);
    const SectorCheck check = CheckSector(sector, position);
    std::uint8_t problems = check.address ? 0 : Bit(SectorProblem::WrongAddress);
    if (!check.mode) return problems | Bit(SectorProblem::WrongMode);
    if (!check.sub_header) problems |= Bit(SectorProblem::SubHeader);
    if (!check.edc) problems |= Bit(SectorProblem::Edc);
    if (!check.p_parity || !check.q_parity) problems |= Bit(SectorProblem::Ecc);
    return problems;
}

}  // namespace vorlix
