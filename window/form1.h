#pragma once
// Form1, the one window: its controls, menu bar and run state. Every command is a handler here;
// the work on entry lines and image sectors is the core's, reached through the details labels.

#include <QElapsedTimer>
#include <QLatin1String>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "entries/entry_range.h"
#include "entries/list_reader.h"
#include "image/rip_all.h"
#include "image/write_options.h"
#include "window/dialogs.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QWidget;

namespace vorlix::window {

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // Without `dialogs` the window shows Qt's own; without `blanks_dir` it rips with the blank
    // files in the "blanks" directory beside the executable, which `program_directory` finds
    // (ProgramDirectory without it) when a command needs them.
    explicit Form1(std::unique_ptr<Dialogs> dialogs = nullptr,
                   std::filesystem::path blanks_dir = {},
                   std::function<std::filesystem::path()> program_directory = {});
    ~Form1() override;

    // Opens files named on the command line, as the File menu would: a .cue or .bin as the
    // image, anything else as the entry list.
    void OpenFiles(const QStringList& paths);

    const QString& listFilePath() const { return ListFilePath; }
    const QString& imageFilePath() const { return ImageFilePath; }
    bool typeWarningShown() const { return TypeWarningShown; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // form1.cpp: controls, menu and look.
    void CreateControls();
    void CreateMenu();
    void FitFont();

    // form1_files.cpp
    void mnuFileKLV_Click();
    void mnuFileBIN_Click();
    bool OpenListFile(const QString& path);
    void OpenImageFile(const QString& path);
    void LoadEntryList();
    QString ListFolder() const;
    QString ImageFolder() const;
    void SelectFirstEntry();

    // form1_scan.cpp
    void mnuFileScan_Click();

    // form1_entry.cpp
    void lstKLV_Click();
    void ShowEntryDetails(const QString& line);
    void cmdChange_Click();
    void SelectEntry(int row);
    void SetEntryCommandsEnabled(bool enabled);
    void SetTypeBox(const QString& text);
    void ShowWalkState();
    EntryLabels CurrentLabels() const;
    WriteOptions CurrentWriteOptions() const;

    // form1_image_ops.cpp
    void cmdBackup_Click();
    void cmdRestore_Click();
    void cmdReplace_Click();
    void cmdRipAll_Click();
    void mnuFileRipNew_Click();
    // Walks the list with `run` (RipAll, or RipToNewImage), the window showing the walk; returns
    // through the "Rip Complete" box what `run` adds to it.
    void WalkAll(const std::function<QString(const EntryLines&, const RipAllHooks&)>& run);
    std::int64_t RipEntry(const std::filesystem::path& image);
    void RipEntryBegins();
    void RipEntryEnds();
    void BeginWork(QLatin1String status);
    void EndWork();
    bool Attempt(const std::function<void()>& operation);
    void Yield();
    void RememberFocus();
    void RestoreFocus();
    std::filesystem::path BlanksDirectory() const;
    std::filesystem::path DataTrack() const;
    QString ImageFolderPath() const;

    // form1_menu.cpp
    void mnuFileClose_Click();
    void mnuOptionsXA_Click();
    void mnuOptionsValid_Click();
    void mnuOptionsKeep_Click();
    void mnuOptionsSilence_Click();
    void mnuAbout_Click();
    void mnuFileExit_Click();

    // Run state.
    QString ListFilePath;
    QString ImageFilePath;
    bool TypeWarningShown = false;

    std::unique_ptr<Dialogs> dialogs_;
    std::filesystem::path blanks_dir_;
    std::function<std::filesystem::path()> program_directory_;
    // Where the open image's data track ends in its file, as the last DataTrack() found it (-1:
    // the file is the data track alone); the write options carry it to every write.
    mutable std::int64_t data_track_sectors_ = -1;
    // While Rip All walks: when the window last painted (invalid until its first paint), and what
    // the type box and frmAll are to show when it next paints.
    std::optional<QElapsedTimer> walk_painted_;
    // What Keep Stream Structure left alone during the walk, one sentence per note.
    std::vector<std::string> walk_notes_;
    std::optional<QString> walk_type_box_;
    std::optional<bool> walk_frm_all_enabled_;
    // The control that had the keyboard focus before an operation disabled it.
    QPointer<QWidget> focus_before_work_;
    // The current row of lstKLV when the mouse was pressed on it: a click that leaves it current
    // shows the entry again.
    int row_at_press_ = -1;
    // The folders of the list and image last chosen, where their dialogs open next.
    QString list_folder_;
    QString image_folder_;

    QWidget* frmAll = nullptr;
    QListWidget* lstKLV = nullptr;
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblStart = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblEnd = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblLength = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lblType = nullptr;
    QPushButton* cmdReplace = nullptr;
    QPushButton* cmdBackup = nullptr;
    QPushButton* cmdRipAll = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdChange = nullptr;
    QLineEdit* txtChange = nullptr;
    QLabel* lblStatus = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuFileKLV = nullptr;
    QAction* mnuFileBIN = nullptr;
    QAction* mnuFileScan = nullptr;
    QAction* mnuFileRipNew = nullptr;
    QAction* mnuFileClose = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuOptions = nullptr;
    QAction* mnuOptionsXA = nullptr;
    QAction* mnuOptionsValid = nullptr;
    QAction* mnuOptionsKeep = nullptr;
    QAction* mnuOptionsSilence = nullptr;
    QAction* mnuAbout = nullptr;
};

}  // namespace vorlix::window
