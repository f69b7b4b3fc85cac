// Opening a list file and an image, and reading the list into lstKLV.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <string>
#include <vector>

#include "entries/list_reader.h"
#include "image/sector_file.h"
#include "window/conversions.h"
#include "window/form1.h"
#include "window/texts.h"

namespace vorlix::window {

void Form1::mnuFileKLV_Click() {
    const QString path = dialogs_->OpenFile({QString(), kSelectFile, kListFilter});
    if (path.isEmpty()) return;
    const QString previous = ListFilePath;
    ListFilePath = path;
    // A list that cannot be read is refused; the one open before stays.
    if (!Attempt([this] { LoadEntryList(); })) {
        ListFilePath = previous;
        return;
    }
    if (!ImageFilePath.isEmpty()) SelectFirstEntry();
}

void Form1::mnuFileBIN_Click() {
    const QString path = dialogs_->OpenFile({QString(), kSelectFile, kImageFilter});
    if (path.isEmpty()) return;
    // The image is opened by each operation, not here.
    ImageFilePath = path;
    if (!ListFilePath.isEmpty()) SelectFirstEntry();
}

void Form1::LoadEntryList() {
    // Read first, so that a file that cannot be read leaves the list as it was.
    const EntryLines lines = ReadEntryLines(ReadWholeFile(PathOf(ListFilePath)));
    lstKLV->clear();
    for (const std::string_view line : lines) lstKLV->addItem(TextOf(line));
}

void Form1::SelectFirstEntry() {
    lstKLV->setEnabled(true);
    if (lstKLV->count() > 0) {
        SelectEntry(0);
        return;
    }
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
