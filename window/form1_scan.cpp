// Make VLX List from BIN: the entry list made from the image itself, then opened with the image.
#include <QFileInfo>
#include <optional>
#include <string>

#include "disc/entry_list_writer.h"
#include "disc/scan.h"
#include "files/overwrite_rule.h"
#include "image/backup_restore.h"
#include "window/conversions.h"
#include "window/form1.h"
#include "window/texts.h"

namespace vorlix::window {

// Scans the open image (or one chosen now), asks where the list goes, writes it and opens the
// list and the image as the two open commands would. A cancel at any step, or a failure, leaves
// the window as it was and writes nothing.
void Form1::mnuFileScan_Click() {
    QString image = ImageFilePath;
    if (image.isEmpty()) {
        image = dialogs_->OpenFile({QString(), kSelectFile, kImageFilter, ImageFolder()});
        if (image.isEmpty()) return;
    }
    const QFileInfo image_info(image);

    std::optional<ScanResult> scan;
    const bool scanned = Attempt([&] {
        const std::unique_ptr<ProgressView> progress = dialogs_->Progress(
            QStringLiteral("Make VLX List"), QStringLiteral("Scanning ") + image_info.fileName());
        scan = ScanImage(PathOf(image), [&](std::int64_t done, std::int64_t total) {
            return progress->Update(done, total);
        });
    });
    if (!scanned || !scan) return;

    const QString list = dialogs_->SaveFile({image_info.completeBaseName() + QStringLiteral(".vlx"),
                                             kSelectFile, kVlxFilter, image_info.absolutePath()});
    if (list.isEmpty()) return;
    const bool overwrite = NeedsOverwriteQuestion(PathOf(list));
    if (overwrite && !dialogs_->Question(QStringLiteral("Question"), kOverwriteQuestion)) return;
    if (!Attempt([&] {
            WriteEntryList(PathOf(list), *scan, PathOf(image).filename().string(), overwrite);
        }))
        return;

    if (!OpenListFile(list)) return;
    OpenImageFile(image);
    // A few warnings are the message; more go to a scrollable details area, so that the box
    // stays within the screen however many there are.
    constexpr qsizetype kWarningsInText = 3;
    if (scan->warnings.empty()) return;
    QStringList warnings;
    for (const std::string& warning : scan->warnings) warnings << QString::fromStdString(warning);
    if (warnings.size() <= kWarningsInText) {
        dialogs_->Message(MessageIcon::Exclamation, QStringLiteral("Info"),
                          warnings.join(QStringLiteral("\r\n")));
        return;
    }
    dialogs_->MessageWithDetails(MessageIcon::Exclamation, QStringLiteral("Info"),
                                 QStringLiteral("Scanning %1 gave %2 warnings; the details list "
                                                "them.")
                                     .arg(image_info.fileName())
                                     .arg(warnings.size()),
                                 warnings.join(QStringLiteral("\r\n")));
}

}  // namespace vorlix::window
