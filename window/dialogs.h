#pragma once
// The seam every file dialog and message box of the window goes through, so that tests can script
// the user's answers. The window asks; an implementation shows (or pretends to).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QDialog;
class QWidget;

namespace vorlix::window {

// What a command presets before it shows a file dialog. The filter list is written as pairs of
// description and pattern joined by "|", several patterns joined by ";".
struct FileDialogSetup {
    QString file_name;
    QString title;
    QString filter;
    // Where the dialog opens; empty: the working directory.
    QString folder;
};

enum class MessageIcon { None, Information, Exclamation, Critical };

// A long task's progress, shown from its creation until it is destroyed.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    // Shows `done` of `total`; false once the user has cancelled.
    virtual bool Update(std::int64_t done, std::int64_t total) = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The chosen full path, or an empty text when the user chose nothing.
    virtual QString OpenFile(const FileDialogSetup& setup) = 0;
    virtual QString SaveFile(const FileDialogSetup& setup) = 0;

    // Yes and No, Yes the default, no icon. True for Yes.
    virtual bool Question(const QString& title, const QString& text) = 0;

    // An OK button only. Lines of the text are joined by CR LF.
    virtual void Message(MessageIcon icon, const QString& title, const QString& text) = 0;
    // The same with `details` (lines joined by CR LF) in a scrollable area, for a list of any
    // length: the box stays within the screen. This default gives the details as more lines.
    virtual void MessageWithDetails(MessageIcon icon, const QString& title, const QString& text,
                                    const QString& details);

    // A modal progress box with a Cancel button. This default shows nothing and never cancels.
    virtual std::unique_ptr<ProgressView> Progress(const QString& title, const QString& text);
};

// Qt's own file dialog and QMessageBox, modal over `parent`.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}

    QString OpenFile(const FileDialogSetup& setup) override;
    QString SaveFile(const FileDialogSetup& setup) override;
    bool Question(const QString& title, const QString& text) override;
    void Message(MessageIcon icon, const QString& title, const QString& text) override;
    void MessageWithDetails(MessageIcon icon, const QString& title, const QString& text,
                            const QString& details) override;
    std::unique_ptr<ProgressView> Progress(const QString& title, const QString& text) override;

private:
    QString RunFileDialog(const FileDialogSetup& setup, bool save);
    int Run(QDialog& dialog);

    QWidget* parent_;
};

// "Desc|*.a;*.b|All Files (*.*)|*.*" as Qt name filters: each description keeps its text and
// carries its patterns, space-separated, in a trailing "(...)" that Qt reads and the dialog hides.
// "*.*" becomes "*", so that files without an extension are listed too.
QStringList QtNameFilters(const QString& filter);

}  // namespace vorlix::window
