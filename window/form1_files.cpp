// Opening a list file and an image, and reading the list into lstKLV.
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <string>
#include <vector>

#include "entries/list_reader.h"
#include "files/sector_file.h"
#include "window/conversions.h"
#include "window/form1.h"
#include "window/texts.h"

namespace vorlix::window {

void Form1::mnuFileKLV_Click() {
    const QString path = dialogs_->OpenFile({QString(), kSelectFile, kListFilter, ListFolder()});
    if (path.isEmpty()) return;
    OpenListFile(path);
}

void Form1::mnuFileBIN_Click() {
    const QString path = dialogs_->OpenFile({QString(), kSelectFile, kImageFilter, ImageFolder()});
    if (path.isEmpty()) return;
    OpenImageFile(path);
}

void Form1::OpenFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        const QString suffix = QFileInfo(path).suffix().toLower();
        if (suffix == QLatin1String("cue") || suffix == QLatin1String("bin"))
            OpenImageFile(path);
        else
            OpenListFile(path);
    }
}

// What the open commands do once a file is chosen. False when the list could not be read.
bool Form1::OpenListFile(const QString& path) {
    list_folder_ = QFileInfo(path).absolutePath();
    const QString previous = ListFilePath;
    ListFilePath = path;
    // A list that cannot be read is refused; the one open before stays.
    if (!Attempt([this] { LoadEntryList(); })) {
        ListFilePath = previous;
        return false;
    }
    if (!ImageFilePath.isEmpty()) SelectFirstEntry();
    return true;
}

void Form1::OpenImageFile(const QString& path) {
    image_folder_ = QFileInfo(path).absolutePath();
    // The image is opened by each operation, not here; a cue sheet is kept as chosen and stands
    // for its data track when an operation runs.
    ImageFilePath = path;
    if (!ListFilePath.isEmpty()) SelectFirstEntry();
}

void Form1::LoadEntryList() {
    // Read first, so that a file that cannot be read leaves the list as it was.
    const EntryLines lines = ReadEntryLines(ReadWholeFile(PathOf(ListFilePath)));
    lstKLV->clear();
    for (const std::string_view line : lines) lstKLV->addItem(TextOf(line));
}

// Each dialog opens where a file of its kind was last chosen, else beside the other kind.
QString Form1::ListFolder() const {
    return list_folder_.isEmpty() ? image_folder_ : list_folder_;
}

QString Form1::ImageFolder() const {
    return image_folder_.isEmpty() ? list_folder_ : image_folder_;
}

void Form1::SelectFirstEntry() {
    lstKLV->setEnabled(true);
    if (lstKLV->count() > 0) SelectEntry(0);
    // The arrow keys move through the entries at once.
    lstKLV->setFocus(Qt::OtherFocusReason);
    if (lstKLV->count() > 0) return;
    // A list without entries: nothing shown or enabled may still refer to an entry of the list
    // that was open before.
    lblStart->clear();
    lblEnd->clear();
    lblLength->clear();
    lblType->clear();
    SetTypeBox(QString());
    SetEntryCommandsEnabled(false);
}

}  // namespace vorlix::window
