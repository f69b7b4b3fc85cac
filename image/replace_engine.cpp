#include "image/replace_engine.h"
#include "files/image_lock.h"

#include <algorithm>
#include <optional>
#include <string>

#include "base/failure.h"
#include "entries/number_text.h"
#include "files/sector_file.h"
#include "image/sector_copy.h"
#include "image/valid_sectors.h"

namespace vorlix {

namespace {

ReplacePlan LeftAlone(ReplacePlan plan, std::string why) {
    plan.branch = ReplaceBranch::None;
    plan.source_sectors = 0;
    plan.skipped_because = std::move(why);
    return plan;
}

}  // namespace

ReplacePlan PlanReplace(const EntryLabels& labels, const WriteOptions& options) {
    ReplacePlan plan;
    plan.options = options;
    // Every entry is addressed first, whatever its type: a start or end that holds no number is
    // refused even where the branch would leave the entry alone.
    plan.range = ResolveRange(labels);
    const double length = NumberFromText(labels.length);
    plan.branch = BranchFor(labels.type_name);
    if (plan.branch == ReplaceBranch::XA) {
        plan.source_sectors = kXaSourceSectors;
    } else if (plan.branch == ReplaceBranch::ST) {
        if (length <= static_cast<double>(kStSourceSectors - 1))
            return LeftAlone(plan, "a movie entry of fewer than 404 sectors is left alone");
        plan.source_sectors = kStSourceSectors;
    } else if (plan.branch == ReplaceBranch::None) {
        return LeftAlone(plan, "entries of type " + labels.type_name + " are left alone");
    }
    // A length under one sector would otherwise still write the first sector, outside the entry.
    if (length < 1) return LeftAlone(plan, "the entry covers less than one sector");
    if (options.valid_sectors) RequireCdAddresses(plan.range);
    RequireWithinDataTrack(plan.range, options);
    return plan;
}

void CheckImage(const std::filesystem::path& image) {
    SectorFile file(image, OpenMode::ReadWrite);
    file.Close();
}

namespace {

void CheckSourceSize(const ReplacePlan& plan, const SectorFile& source) {
    const auto needed = static_cast<std::uint64_t>(SectorOffset(plan.source_sectors));
    const std::uint64_t size = source.Size();
    if (size < needed)
        throw Failure("Cannot use " + DisplayPath(source.Path()) + " as the source: it holds " +
                      std::to_string(size) + " bytes, fewer than the " + std::to_string(needed) +
                      " bytes of the " + std::to_string(plan.source_sectors) +
                      (plan.source_sectors == 1 ? " sector" : " sectors") +
                      " this entry takes from it; nothing was written.");
}

}  // namespace

void CheckSource(const ReplacePlan& plan, const std::filesystem::path& source) {
    if (plan.source_sectors == 0) return;
    SectorFile file(source, OpenMode::ReadOnly);
    CheckSourceSize(plan, file);
    file.Close();
}

void FlushImage(const std::filesystem::path& image) {
    SectorFile file(image, OpenMode::ReadWrite);
    file.Flush();
    file.Close();
}

std::int64_t RunReplace(const ReplacePlan& plan, const std::filesystem::path& image,
                        const std::filesystem::path& source, Flush flush) {
    if (plan.branch == ReplaceBranch::None) return 0;
    const bool reads_source = plan.source_sectors > 0;
    const ImageLock lock(image, ImageAccess::Write);
    if (reads_source) RefuseSameFile(image, source, "source file");

    SectorFile target(image, OpenMode::ReadWrite);
    std::optional<SectorFile> from;
    if (reads_source) {
        from.emplace(source, OpenMode::ReadOnly);
        CheckSourceSize(plan, *from);
    }

    std::array<std::uint8_t, kRawSectorSize> zero_sector{};
    std::array<std::uint8_t, kRawSectorSize> xa_filler{};
    if (plan.options.xa_headers && plan.options.valid_sectors)
        xa_filler = SilentXaSector(0);  // each copy is then given its own address
    else if (plan.options.xa_headers)
        std::copy(kXaSectorPrefix.begin(), kXaSectorPrefix.end(), xa_filler.begin());
    const Shape shape = plan.options.valid_sectors ? Shape::Valid : Shape::AsGiven;

    const std::int64_t s = plan.range.start;
    const std::int64_t count = plan.range.count;
    switch (plan.branch) {
        case ReplaceBranch::XA:
            CopySectors(*from, 0, target, s, kXaSourceSectors, shape);
            WriteRepeated(target, s + kXaSourceSectors, count - kXaSourceSectors, xa_filler.data(),
                          shape);
            break;
        case ReplaceBranch::ST:
            CopySectors(*from, 0, target, s, kStSourceSectors, shape);
            WriteRepeated(target, s + kStSourceSectors, count - kStSourceSectors,
                          zero_sector.data(), shape);
            break;
        case ReplaceBranch::DU:
            WriteRepeated(target, s, count, zero_sector.data(), shape);
            break;
        case ReplaceBranch::None:
            break;
    }
    if (flush == Flush::Now) target.Flush();
    target.Close();
    if (from) from->Close();
    return count;
}

}  // namespace vorlix
