// Selecting an entry, showing its details, and changing its type code for the rest of the run.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>

#include "entries/entry_details.h"
#include "entries/type_change.h"
#include "window/conversions.h"
#include "window/form1.h"

namespace vorlix::window {

void Form1::lstKLV_Click() {
    const QListWidgetItem* item = lstKLV->currentItem();
    if (item == nullptr) return;
    ShowEntryDetails(item->text());
    // Rip All disables the commands again right after each selection, before anything is painted
    // or any input taken; enabling them in between would only cost time on long lists.
    if (!walk_painted_) SetEntryCommandsEnabled(true);
}

void Form1::ShowEntryDetails(const QString& line) {
    const EntryDetails details = vorlix::ShowEntryDetails(BytesOf(line));
    lblStart->setText(TextOf(details.start));
    lblEnd->setText(TextOf(details.end));
    lblLength->setText(TextOf(details.length));
    lblType->setText(TextOf(details.type_name));
    SetTypeBox(TextOf(details.type_code));
}

void Form1::cmdChange_Click() {
    if (!TypeWarningShown) {
        dialogs_->Message(
            MessageIcon::Critical, QStringLiteral("Caution"),
            QStringLiteral("Warning, changing the file type definition set down by Kelvane may "
                           "cause\r\n"
                           "your game to cease functioning after ripping. Proceed at your own "
                           "risk.\r\n"
                           "These changes will only be saved for this session, the original KLV "
                           "file will not be edited.\r\n"
                           "This message will not appear again until you restart VORLIX."));
        TypeWarningShown = true;
    }
    SetTypeBox(TextOf(NormaliseTypeCode(BytesOf(txtChange->text()))));
    QListWidgetItem* item = lstKLV->currentItem();
    if (item == nullptr) return;
    // The details labels keep the former type until the entry is selected again.
    item->setText(TextOf(ReplaceTypeField(BytesOf(item->text()), BytesOf(txtChange->text()))));
}

void Form1::SelectEntry(int row) {
    // Qt reports no change when the row is already current (focusing the list makes its first row
    // current without selecting it); the entry is selected and shown all the same.
    const bool current = lstKLV->currentRow() == row;
    lstKLV->setCurrentRow(row);
    if (current) lstKLV_Click();
}

void Form1::SetEntryCommandsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{cmdReplace, cmdBackup, cmdRestore,
                                                            cmdRipAll, cmdChange, txtChange})
        control->setEnabled(enabled);
    mnuFileRipNew->setEnabled(enabled);
}

namespace {

void ShowInTypeBox(QLineEdit* box, const QString& text) {
    box->setMaxLength(std::max<int>(2, static_cast<int>(text.size())));
    box->setText(text);
}

}  // namespace

void Form1::SetTypeBox(const QString& text) {
    // During Rip All the box shows the selected entry's code whenever the window paints; laying
    // out its text for every entry in between is not needed.
    if (walk_painted_)
        walk_type_box_ = text;
    else
        ShowInTypeBox(txtChange, text);
}

// What the walk has left for the next paint.
void Form1::ShowWalkState() {
    if (walk_type_box_) ShowInTypeBox(txtChange, *walk_type_box_);
    walk_type_box_.reset();
    if (walk_frm_all_enabled_) frmAll->setEnabled(*walk_frm_all_enabled_);
    walk_frm_all_enabled_.reset();
}

EntryLabels Form1::CurrentLabels() const {
    return {BytesOf(lblStart->text()), BytesOf(lblLength->text()), BytesOf(lblType->text()),
            BytesOf(lblEnd->text())};
}

WriteOptions Form1::CurrentWriteOptions() const {
    return {.xa_headers = mnuOptionsXA->isChecked(),
            .valid_sectors = mnuOptionsValid->isChecked(),
            .keep_structure = mnuOptionsKeep->isChecked(),
            .data_track_sectors = data_track_sectors_};
}

}  // namespace vorlix::window
