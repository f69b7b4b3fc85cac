#include "image/rip_to_new.h"

#include <chrono>
#include <span>

#include "base/failure.h"
#include "entries/type_codes.h"
#include "files/image_lock.h"
#include "files/overwrite_rule.h"
#include "files/pending_file.h"
#include "files/sector_file.h"
#include "image/blank_substitution.h"

namespace vorlix {
namespace {

void RefuseAs(const std::filesystem::path& output, const std::filesystem::path& other,
              const char* what) {
    std::error_code ec;
    if (std::filesystem::equivalent(output, other, ec))
        throw Failure("Cannot write the new image to " + DisplayPath(output) + ": it is " + what +
                      "; nothing was written.");
}

}  // namespace

void CheckNewImage(const NewImage& target, const std::filesystem::path& image,
                   const std::filesystem::path& list, const std::filesystem::path& blanks_dir,
                   bool overwrite) {
    std::vector<std::filesystem::path> outputs{target.bin};
    if (target.cue) outputs.push_back(*target.cue);
    for (const std::filesystem::path& output : outputs) {
        RefuseAs(output, image, "the image itself");
        RefuseAs(output, list, "the entry list");
        // Every blank file a listed type reads; the movie types share one.
        for (const EntryType& type : kEntryTypes)
            if (const ReplaceBranch branch = BranchFor(type.name);
                branch == ReplaceBranch::ST || branch == ReplaceBranch::XA)
                RefuseAs(output, BlankPath(blanks_dir, type.name), "a blank file");
        RefuseToReplace(output, overwrite);
    }
}

RipToNewReport RipToNewImage(const EntryLines& lines, const std::filesystem::path& image,
                             const NewImage& target, const std::filesystem::path& blanks_dir,
                             const RipAllHooks& hooks, const CopyProgress& copy_progress) {
    // The copy is only worth making when the rip would start on it.
    CheckBeforeFirstWrite(lines, image, blanks_dir, hooks);
    RipToNewReport report;
    PendingFile bin(target.bin);
    const std::filesystem::path copy = bin.file().Path();
    try {
        {
            const ImageLock lock(image, ImageAccess::Read);
            SectorFile original(image, OpenMode::ReadOnly);
            const auto start = std::chrono::steady_clock::now();
            report.way = CopyWholeFile(original, bin.file(), copy_progress);
            report.copy_seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        report.rip = RipAll(lines, copy, blanks_dir, hooks);
        std::optional<PendingFile> cue;
        if (target.cue) {
            cue.emplace(*target.cue);
            cue->file().WriteAt(
                0, std::span(reinterpret_cast<const std::uint8_t*>(target.cue_text.data()),
                             target.cue_text.size()));
        }
        bin.Commit();
        if (cue) cue->Commit();
    } catch (const Failure& f) {
        // The user knows the new image by its own name, not by the file it is written to first.
        const std::string text = f.file() == copy && f.system_error() != 0
                                     ? FileFailure("write", target.bin, f.system_error()).what()
                                     : f.what();
        throw Failure(
            Sentence(text) + " No new image was made; " + DisplayPath(image) + " is as it was.",
            f.system_error(), f.file() == copy ? target.bin : f.file());
    }
    return report;
}

}  // namespace vorlix
