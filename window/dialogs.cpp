#include "window/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>

namespace vorlix::window {

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

// Modal, in the window's font; the control that had the keyboard focus has it again afterwards.
int QtDialogs::Run(QDialog& dialog) {
    if (parent_ != nullptr) dialog.setFont(parent_->font());
    const QPointer<QWidget> had_focus = QApplication::focusWidget();
    const int result = dialog.exec();
    // Without a window manager nobody hands the keyboard back to the window.
    if (parent_ != nullptr) parent_->activateWindow();
    if (had_focus && had_focus->isEnabled()) had_focus->setFocus(Qt::OtherFocusReason);
    return result;
}

QString QtDialogs::RunFileDialog(const FileDialogSetup& setup, bool save) {
    QFileDialog dialog(parent_, setup.title);
    // Qt's own dialog shows the descriptions exactly as given and behaves alike on every desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = QtNameFilters(setup.filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The command asks its own question about an existing file.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (!setup.folder.isEmpty()) dialog.setDirectory(setup.folder);
    if (!setup.file_name.isEmpty()) dialog.selectFile(setup.file_name);
    if (Run(dialog) != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

QString QtDialogs::OpenFile(const FileDialogSetup& setup) {
    return RunFileDialog(setup, false);
}

QString QtDialogs::SaveFile(const FileDialogSetup& setup) {
    return RunFileDialog(setup, true);
}

namespace {

// The lines of a message are the ones it was given: Qt's box breaks lines longer than half the
// screen anew, which turns four lines into a ragged five. Within a line the spaces do not break.
QString ShownText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1Char(' '), QChar(0x00A0));
    return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

bool QtDialogs::Question(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, ShownText(text), QMessageBox::Yes | QMessageBox::No,
                    parent_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return Run(box) == QMessageBox::Yes;
}

void QtDialogs::Message(MessageIcon icon, const QString& title, const QString& text) {
    QMessageBox box(QtIcon(icon), title, ShownText(text), QMessageBox::Ok, parent_);
    Run(box);
}

// Qt's details area has a fixed height and scrolls, and wraps its lines.
void QtDialogs::MessageWithDetails(MessageIcon icon, const QString& title, const QString& text,
                                   const QString& details) {
    QMessageBox box(QtIcon(icon), title, ShownText(text), QMessageBox::Ok, parent_);
    box.setDetailedText(QString(details).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Run(box);
}

namespace {

class NoProgress : public ProgressView {
public:
    bool Update(std::int64_t, std::int64_t) override { return true; }
};

// QProgressDialog counts in int: the sectors of an image fit, but the scale is kept general.
class QtProgress : public ProgressView {
public:
    QtProgress(QWidget* parent, const QString& title, const QString& text)
        : dialog_(text, QStringLiteral("Cancel"), 0, 0, parent) {
        dialog_.setWindowTitle(title);
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setMinimumDuration(0);
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
        if (parent != nullptr) dialog_.setFont(parent->font());
        dialog_.show();
        QCoreApplication::processEvents();
    }
    ~QtProgress() override {
        dialog_.close();
        if (QWidget* parent = dialog_.parentWidget()) parent->activateWindow();
    }

    bool Update(std::int64_t done, std::int64_t total) override {
        constexpr std::int64_t kSteps = 1000000;
        const std::int64_t scale = total > kSteps ? (total + kSteps - 1) / kSteps : 1;
        dialog_.setMaximum(static_cast<int>(total / scale));
        // A modal progress dialog processes the pending events here, the Cancel click included.
        dialog_.setValue(static_cast<int>(done / scale));
        QCoreApplication::processEvents();
        return !dialog_.wasCanceled();
    }

private:
    QProgressDialog dialog_;
};

}  // namespace

void Dialogs::MessageWithDetails(MessageIcon icon, const QString& title, const QString& text,
                                 const QString& details) {
    Message(icon, title, text + QStringLiteral("\r\n") + details);
}

std::unique_ptr<ProgressView> Dialogs::Progress(const QString&, const QString&) {
    return std::make_unique<NoProgress>();
}

std::unique_ptr<ProgressView> QtDialogs::Progress(const QString& title, const QString& text) {
    return std::make_unique<QtProgress>(parent_, title, text);
}

}  // namespace vorlix::window
