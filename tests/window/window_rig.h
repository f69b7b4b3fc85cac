#pragma once
// One window under test: shown offscreen, its dialogs scripted, its files in a fresh directory.
// The rig drives the real widgets (clicks, keys, menu actions) and reads them back.

#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scripted_dialogs.h"
#include "support/temp_dir.h"
#include "window/form1.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPushButton;
class QTimer;
class QWidget;

namespace vorlix::window::test {

// What the window shows at one moment.
struct Snapshot {
    bool frm_all = false;
    bool menu_bar = false;
    bool list = false;
    bool buttons[5] = {};  // cmdReplace, cmdBackup, cmdRestore, cmdRipAll, cmdChange
    bool type_box = false;
    int row = -1;
    QString status;
    QString type;

    bool AnyButton() const;
    bool AllButtons() const;
};

class WindowRig {
public:
    WindowRig();
    ~WindowRig();

    vorlix::test::TempDir dir;
    std::filesystem::path blanks = dir / "blanks";
    ScriptedDialogs* dialogs = nullptr;  // owned by the window
    std::unique_ptr<Form1> form;

    QWidget* Widget(const char* name) const;
    QLabel* Label(const char* name) const;
    QPushButton* Button(const char* name) const;
    QListWidget* List() const;
    QLineEdit* TypeBox() const;
    QAction* Action(const char* name) const;
    QMenuBar* MenuBar() const;

    // A list file of these entry lines (header and end marker added).
    std::filesystem::path WriteList(const std::string& name, const std::vector<std::string>& lines);
    // Chooses the file in the next dialog and runs the menu command.
    void OpenList(const std::filesystem::path& path);
    void OpenImage(const std::filesystem::path& path);
    void OpenBoth(const std::vector<std::string>& lines, const std::filesystem::path& image);
    void Trigger(const char* action);

    void Click(const char* button);
    void ClickRow(int row);

    // lblStart, lblEnd, lblLength, lblType and the type box, in that order.
    QStringList Details() const;
    QStringList Items() const;
    QString Status() const;
    Snapshot Snap() const;
    // frmAll and the menu bar enabled, status "Idle".
    bool Idle() const;

    // Takes a snapshot every time the window processes its pending events, until stopped.
    void StartRecording();
    std::vector<Snapshot> StopRecording();

private:
    QTimer* recorder_ = nullptr;
    std::vector<Snapshot> recorded_;
};

QString Q(const std::filesystem::path& path);

// The XA filler sector: sync, address 25:26:33, mode 2, the sub-header twice, then zeros.
std::vector<std::uint8_t> XaFillerSector();

}  // namespace vorlix::window::test
