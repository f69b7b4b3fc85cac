// Close All, the Options check items, About and Exit.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "base/program_version.h"
#include "window/form1.h"

namespace vorlix::window {

void Form1::mnuFileClose_Click() {
    ImageFilePath.clear();
    ListFilePath.clear();
    lstKLV->clear();
    lblEnd->clear();
    lblStart->clear();
    lblLength->clear();
    lblType->clear();
    SetTypeBox(QString());
    lstKLV->setEnabled(false);
    SetEntryCommandsEnabled(false);
}

// Qt has already moved the check mark, and the mark is the option itself: the next operation
// reads it (CurrentWriteOptions). Nothing else happens here.
void Form1::mnuOptionsXA_Click() {}
void Form1::mnuOptionsValid_Click() {}
void Form1::mnuOptionsKeep_Click() {}
void Form1::mnuOptionsSilence_Click() {}

void Form1::mnuAbout_Click() {
    dialogs_->Message(MessageIcon::Information, QStringLiteral("About"),
                      QStringLiteral("VORLIX\r\n") + QString::fromStdString(VersionLine()) +
                          QStringLiteral("\r\nWritten by the VORLIX developers."));
}

void Form1::mnuFileExit_Click() {
    close();
}

}  // namespace vorlix::window
