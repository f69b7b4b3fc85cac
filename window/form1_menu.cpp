// Close All, Preserve XA Headers, About and Exit.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

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

void Form1::mnuOptionsXA_Click() {
    // Qt has already moved the check mark, and the mark is the option itself: the next replace or
    // rip reads it. Nothing else happens here.
}

namespace {

QString AboutText(int major, int minor, int revision) {
    return QStringLiteral("VORLIX\r\nVersion: %1.%2 Build: %3\r\n%4")
        .arg(major)
        .arg(minor, 2, 10, QLatin1Char('0'))
        .arg(revision, 2, 10, QLatin1Char('0'))
        .arg(QStringLiteral("Written by the VORLIX developers."));
}

}  // namespace

void Form1::mnuAbout_Click() {
    dialogs_->Message(MessageIcon::Information, QStringLiteral("About"),
                      AboutText(VORLIX_VERSION_MAJOR, VORLIX_VERSION_MINOR, VORLIX_VERSION_PATCH));
}

void Form1::mnuFileExit_Click() {
    close();
}

}  // namespace vorlix::window
