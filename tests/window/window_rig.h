#pragma once
// One window under test: shown offscreen, its dialogs scripted, its files in a fresh directory.
// The rig drives the real widgets (clicks, keys, menu actions) and reads them back.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scripted_dialogs.h"
#include "support/synthetic.h"
#include "support/temp_dir.h"
#include "window/form1.h"

class QTimer;

namespace vorlix::window::test {

using vorlix::test::Bytes;

// What the window shows at one moment.
struct Snapshot {
    bool frm_all = false, menu_bar = false, list = false, type_box = false;
    int buttons = 0;  // how many of the five command buttons are enabled
    int row = -1;
    QString status, type;
    bool operator==(const Snapshot&) const = default;
};

class WindowRig {
public:
    WindowRig();

    vorlix::test::TempDir dir;
    std::filesystem::path blanks = dir / "blanks";
    ScriptedDialogs* dialogs = nullptr;  // owned by the window
    std::unique_ptr<Form1> form;

    template <typename W = QWidget>
    W* Get(const char* name) const {
        return form->findChild<W*>(QLatin1String(name));
    }
    QString Text(const char* label) const { return Get<QLabel>(label)->text(); }
    QListWidget* List() const { return Get<QListWidget>("lstKLV"); }
    QLineEdit* TypeBox() const { return Get<QLineEdit>("txtChange"); }

    // A list file of these entry lines (header and end marker added).
    std::filesystem::path WriteList(const std::string& name, const QStringList& lines);
    // Each chooses the file (for an empty path, cancels) in the dialog the command shows.
    void OpenList(const std::filesystem::path& path) { Choose(path, "mnuFileKLV"); }
    void OpenImage(const std::filesystem::path& path) { Choose(path, "mnuFileBIN"); }
    void OpenBoth(const QStringList& lines, const std::filesystem::path& image);
    void Trigger(const char* action) { Get<QAction>(action)->trigger(); }
    void Click(const char* button);
    void ClickRow(int row);
    void ChangeType(const QString& code);

    // lblStart, lblEnd, lblLength, lblType and the type box, in that order.
    QStringList Details() const;
    QStringList Items() const;
    Snapshot Snap() const;
    // frmAll and the menu bar enabled, status "Idle".
    bool Idle() const;
    // The text of the one message shown, if it is the only one and an error; empty otherwise.
    QString OnlyError() const;

    // Takes a snapshot every time the window processes its pending events, until stopped.
    void StartRecording();
    std::vector<Snapshot> StopRecording();

private:
    void Choose(const std::filesystem::path& path, const char* action);

    QTimer* recorder_ = nullptr;
    std::vector<Snapshot> recorded_;
};

inline QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

}  // namespace vorlix::window::test
