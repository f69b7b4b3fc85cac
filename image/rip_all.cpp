#include "image/rip_all.h"

#include <set>
#include <string>

#include "entries/entry_details.h"
#include "image/blank_substitution.h"
#include "image/failure.h"

namespace vorlix {

namespace {

std::string EntryName(std::size_t index, const std::string& line) {
    return "entry " + std::to_string(index + 1) + " (" + line + ")";
}

// Calls end_work when the writes of one entry are over, also when they failed.
class WorkScope {
public:
    WorkScope(const RipAllHooks& hooks, const ReplacePlan& plan) : hooks_(hooks) {
        if (hooks_.begin_work) hooks_.begin_work(plan);
    }
    ~WorkScope() {
        if (hooks_.end_work) hooks_.end_work();
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    const RipAllHooks& hooks_;
};

}  // namespace

std::vector<PlannedRip> PlanRipAll(const std::vector<std::string>& lines,
                                   const std::filesystem::path& image,
                                   const std::filesystem::path& blanks_dir, bool xa_headers) {
    CheckImage(image);
    std::vector<PlannedRip> plans;
    plans.reserve(lines.size());
    std::set<std::filesystem::path> checked_blanks;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PlannedRip rip{i, lines[i], {}};
        const EntryLabels labels = LabelsOf(ShowEntryDetails(lines[i]));
        if (!IsRippable(labels.type_name)) {
            rip.plan.skipped_because = "entries of type " + labels.type_name + " are not ripped";
            plans.push_back(std::move(rip));
            continue;
        }
        try {
            rip.plan = PlanReplace(labels, xa_headers);
            const std::filesystem::path blank = BlankPath(blanks_dir, labels.type_name);
            if (rip.plan.source_sectors > 0 && checked_blanks.insert(blank).second)
                CheckSource(rip.plan, blank);
        } catch (const Failure& f) {
            throw Failure("Rip All cannot start, " + EntryName(i, lines[i]) + ": " + f.what(),
                          f.system_error());
        }
        plans.push_back(std::move(rip));
    }
    return plans;
}

RipAllReport RipAll(const std::vector<std::string>& lines, const std::filesystem::path& image,
                    const std::filesystem::path& blanks_dir, const RipAllHooks& hooks) {
    const auto xa_headers = [&] { return hooks.xa_headers ? hooks.xa_headers() : true; };
    // The option only chooses filler bytes; the checks do not depend on it.
    PlanRipAll(lines, image, blanks_dir, true);

    RipAllReport report;
    const std::size_t count = lines.size();
    for (std::size_t i = 0; i < count; ++i) {
        const EntryLabels labels = hooks.select_entry(i);
        if (hooks.yield) hooks.yield();
        if (!IsRippable(labels.type_name)) continue;
        try {
            const ReplacePlan plan = PlanReplace(labels, xa_headers());
            if (plan.branch == ReplaceBranch::None) continue;
            WorkScope work(hooks, plan);
            report.sectors_written +=
                RunReplace(plan, image, BlankPath(blanks_dir, labels.type_name));
            ++report.entries_ripped;
        } catch (const Failure& f) {
            throw Failure("Rip All stopped at " + EntryName(i, lines[i]) + ": " + f.what() +
                              " The entries before it were ripped; it may be partly written; the "
                              "entries after it were not touched.",
                          f.system_error());
        }
    }
    return report;
}

}  // namespace vorlix
