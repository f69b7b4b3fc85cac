#pragma once
// One window under test: shown offscreen, its dialogs scripted, its files in a fresh directory.
// The rig drives the real widgets (clicks, keys, menu actions) and reads them back.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/synthetic.h"
#include "support/temp_dir.h"
#include "window/dialogs.h"
#include "window/form1.h"

class QTimer;

namespace vorlix::window::test {

using vorlix::test::Bytes;

// The dialog seam with the user's answers written down in advance. Every dialog shown is written
// down as one line of text; one with no answer left is answered as a cancel (or No), so a test
// never waits for a person.
class ScriptedDialogs : public Dialogs {
public:
    // The next file dialog returns `path`; an empty path is a cancel.
    void AnswerFile(const QString& path) { files_ << path; }
    void AnswerQuestion(bool yes) { questions_ << yes; }

    QString OpenFile(const FileDialogSetup& s) override { return NextFile("open", s); }
    QString SaveFile(const FileDialogSetup& s) override { return NextFile("save", s); }
    bool Question(const QString& title, const QString& text) override {
        asked << "question " + title + ": " + text;
        return !questions_.isEmpty() && questions_.takeFirst();
    }
    void Message(MessageIcon icon, const QString& title, const QString& text) override {
        if (before_message) before_message();
        const char* icons[] = {"none", "information", "exclamation", "critical"};
        messages << QLatin1String(icons[static_cast<int>(icon)]) + ' ' + title + ": " + text;
    }
    void MessageWithDetails(MessageIcon icon, const QString& title, const QString& text,
                            const QString& d) override {
        Message(icon, title, text);
        details << d;
    }

    // The progress box is cancelled at this update (counted from 1); 0: never.
    int cancel_at_update = 0;
    // Every progress update shown, as "DONE/TOTAL".
    QStringList progress_updates;

    std::unique_ptr<ProgressView> Progress(const QString& title, const QString& text) override {
        asked << "progress " + title + ": " + text;
        return std::make_unique<ScriptedProgress>(*this);
    }

    // "open|save TITLE: OFFERED NAME | FILTER[ in FOLDER]", "question TITLE: TEXT" or
    // "progress TITLE: TEXT", in the order asked.
    QStringList asked;
    // "none|information|exclamation|critical TITLE: TEXT".
    QStringList messages;
    // The details of each message that has them.
    QStringList details;
    // Runs as a message box comes up, before it is answered.
    std::function<void()> before_message;

private:
    class ScriptedProgress : public ProgressView {
    public:
        explicit ScriptedProgress(ScriptedDialogs& owner) : owner_(owner) {}
        bool Update(std::int64_t done, std::int64_t total) override {
            owner_.progress_updates << QString::number(done) + '/' + QString::number(total);
            return owner_.progress_updates.size() != owner_.cancel_at_update;
        }

    private:
        ScriptedDialogs& owner_;
    };

    QString NextFile(const char* kind, const FileDialogSetup& s) {
        asked << QLatin1String(kind) + ' ' + s.title + ": " + s.file_name + " | " + s.filter +
                     (s.folder.isEmpty() ? QString() : " in " + s.folder);
        return files_.isEmpty() ? QString() : files_.takeFirst();
    }

    QStringList files_;
    QList<bool> questions_;
};

// What the window shows at one moment.
struct Snapshot {
    bool frm_all = false, menu_bar = false, list = false, type_box = false;
    int buttons = 0;  // how many of the five command buttons are enabled
    int row = -1;
    bool row_in_view = false;    // the selected entry lies within the list's visible area
    QString status, type, code;  // code: the type box
    bool Idle() const { return frm_all && menu_bar && status == "Idle"; }
    bool operator==(const Snapshot&) const = default;
};

class WindowRig {
public:
    // With `program_directory` the window looks for its blank files beside the program, and finds
    // that directory with it; without, in `blanks`.
    explicit WindowRig(std::function<std::filesystem::path()> program_directory = {});

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
    // Everything a command could change without changing what is enabled: the details, the
    // items and the two open files.
    QStringList Shown() const {
        return Details() + Items() << form->listFilePath() << form->imageFilePath();
    }
    Snapshot Snap() const;
    // frmAll and the menu bar enabled, status "Idle".
    bool Idle() const { return Snap().Idle(); }
    // Whether the one message shown is an error whose text has every one of `parts`.
    bool ShowedError(const QStringList& parts) const;

    // Takes a snapshot every time the window processes its pending events, and every time the
    // list or the status label really paints, until stopped; while the window is busy, also tries
    // to end the program by Exit and by closing the window. Stopping returns the first kind.
    void StartRecording();
    std::vector<Snapshot> StopRecording();
    const std::vector<Snapshot>& Painted() const { return painted_; }

private:
    void Choose(const std::filesystem::path& path, const char* action);

    QTimer* recorder_ = nullptr;
    std::vector<Snapshot> recorded_;
    std::unique_ptr<QObject> paint_spy_;
    std::vector<Snapshot> painted_;
};

inline QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

}  // namespace vorlix::window::test
