#include "image/blank_substitution.h"
#include "files/image_lock.h"

#include "base/failure.h"
#include "entries/number_text.h"
#include "files/sector_file.h"
#include "image/replace_engine.h"
#include "image/rip_plan.h"
#include "image/stream_rewrite.h"

namespace vorlix {

std::filesystem::path DefaultBlanksDirectory(const std::filesystem::path& program_dir) {
    const std::filesystem::path beside = program_dir / "blanks";
    const std::filesystem::path shared =
        (program_dir / ".." / "share" / "vorlix" / "blanks").lexically_normal();
    std::error_code ec;
    for (const std::filesystem::path& dir : {beside, shared})
        if (std::filesystem::is_directory(dir, ec)) return dir;
    throw Failure("The blank files are neither in " + DisplayPath(beside) + " nor in " +
                  DisplayPath(shared) + ".");
}

std::filesystem::path BlankPath(const std::filesystem::path& blanks_dir,
                                std::string_view type_name) {
    return blanks_dir / BlankFileName(type_name);
}

namespace {

class WorkScope {
public:
    explicit WorkScope(const WorkHooks& work) : work_(work) {
        if (work_.begin) work_.begin();
    }
    ~WorkScope() {
        if (work_.end) work_.end();
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    const WorkHooks& work_;
};

}  // namespace

std::optional<SectorRange> KeptRange(const EntryLabels& labels) {
    if (BranchFor(labels.type_name) == ReplaceBranch::None || NumberFromText(labels.length) < 1)
        return std::nullopt;
    return ResolveRange(labels);
}

std::int64_t RipEntry(const EntryLabels& labels, const std::filesystem::path& image,
                      const std::filesystem::path& blanks_dir, const WriteOptions& options,
                      const WorkHooks& work, Flush flush, PlannedRip* planned) {
    PlannedRip local;
    PlannedRip& rip = planned ? *planned : local;
    rip.labels = labels;
    if (options.keep_structure) {
        const std::optional<SectorRange> range = KeptRange(labels);
        if (!range) return 0;
        RequireWithinDataTrack(*range, options);
        const ImageLock lock(image, ImageAccess::Write);
        WorkScope scope(work);
        SectorFile file(image, OpenMode::ReadWrite);
        StreamKeeping kept;
        const std::int64_t written = PlanAndKeepStreamStructure(file, *range, kept);
        if (flush == Flush::Now) file.Flush();
        file.Close();
        rip.kept = std::move(kept);
        return written;
    }
    rip.plan = PlanReplace(labels, options);
    if (rip.plan.branch == ReplaceBranch::None) return 0;
    WorkScope scope(work);
    return RunReplace(rip.plan, image, BlankPath(blanks_dir, labels.type_name), flush);
}

}  // namespace vorlix
