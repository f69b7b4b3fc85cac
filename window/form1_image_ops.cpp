// Backup, Restore, Replace File and Rip All: the window's side of the image operations. The
// operations read the selected entry from the details labels and leave the sectors to the core.
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <exception>
#include <initializer_list>
#include <string>
#include <vector>

#include "image/backup_restore.h"
#include "image/blank_substitution.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "image/sector_copy.h"
#include "window/conversions.h"
#include "window/form1.h"
#include "window/texts.h"

namespace vorlix::window {

void Form1::cmdBackup_Click() {
    Attempt([this] {
        RefuseSameFile(PathOf(ImageFilePath), PathOf(ListFilePath), "list file");
        const EntryLabels labels = CurrentLabels();
        const QString path =
            dialogs_->SaveFile({TextOf(DefaultBackupName(labels)), kSelectFile, kAllFilesFilter});
        if (path.isEmpty()) {
            EndWork();
            return;
        }
        if (NeedsOverwriteQuestion(PathOf(path)) &&
            !dialogs_->Question(QStringLiteral("Question"),
                                QStringLiteral("File already exsists. Overwrite?")))
            return;
        BeginWork(kBackupInProgress);
        BackupEntry(labels, PathOf(ImageFilePath), PathOf(path));
        EndWork();
    });
}

void Form1::cmdRestore_Click() {
    Attempt([this] {
        RefuseSameFile(PathOf(ImageFilePath), PathOf(ListFilePath), "list file");
        const EntryLabels labels = CurrentLabels();
        const QString path =
            dialogs_->OpenFile({TextOf(DefaultBackupName(labels)), kSelectFile, kAllFilesFilter});
        if (path.isEmpty()) {
            EndWork();
            return;
        }
        BeginWork(kRestoreInProgress);
        RestoreEntry(labels, PathOf(ImageFilePath), PathOf(path));
        EndWork();
    });
}

void Form1::cmdReplace_Click() {
    Attempt([this] {
        RefuseSameFile(PathOf(ImageFilePath), PathOf(ListFilePath), "list file");
        const WriteOptions options = CurrentWriteOptions();
        const QString path = dialogs_->OpenFile({QString(), kSelectFile, kAllFilesFilter});
        if (path.isEmpty()) return;
        const ReplacePlan plan = PlanReplace(CurrentLabels(), options);
        if (plan.branch == ReplaceBranch::None) return;
        BeginWork(kReplaceInProgress);
        RunReplace(plan, PathOf(ImageFilePath), PathOf(path));
        EndWork();
    });
}

void Form1::cmdRipAll_Click() {
    const std::initializer_list<QWidget*> walked = {lstKLV,     cmdReplace, cmdBackup,
                                                    cmdRestore, cmdRipAll,  cmdChange};
    EntryLines lines;
    for (int i = 0; i < lstKLV->count(); ++i) lines.push_back(BytesOf(lstKLV->item(i)->text()));

    RipAllHooks hooks;
    hooks.select_entry = [&](std::size_t index) {
        SelectEntry(static_cast<int>(index));
        for (QWidget* control : walked) control->setEnabled(false);
        return CurrentLabels();
    };
    hooks.yield = [this] { Yield(); };
    hooks.rip_entry = [this](const EntryLabels&) { return RipEntry(); };

    // No menu command may close or swap the files while the walk uses them.
    menuBar()->setEnabled(false);
    walk_painted_.emplace();
    walk_painted_->start();
    const bool ripped = Attempt([&] {
        RefuseSameFile(PathOf(ImageFilePath), PathOf(ListFilePath), "list file");
        RipAll(lines, PathOf(ImageFilePath), blanks_dir_, hooks);
    });
    walk_painted_.reset();
    setUpdatesEnabled(true);
    if (ripped)
        dialogs_->Message(MessageIcon::Exclamation, QStringLiteral("Info"),
                          QStringLiteral("Rip Complete"));
    for (QWidget* control : walked) control->setEnabled(true);
    menuBar()->setEnabled(true);
}

// Rips the entry the details labels show, with the blank of its type and the options as they are
// now; the window is busy while the sectors are written.
std::int64_t Form1::RipEntry() {
    return vorlix::RipEntry(CurrentLabels(), PathOf(ImageFilePath), blanks_dir_,
                            CurrentWriteOptions(),
                            {[this] { RipEntryBegins(); }, [this] { RipEntryEnds(); }},
                            Flush::Deferred);  // the walk flushes once at its end
}

void Form1::RipEntryBegins() {
    frmAll->setEnabled(false);
    lblStatus->setText(kReplaceInProgress);
    Yield();
}

// Lets the window process its pending events once. During Rip All it does so for every entry as
// well, but repainting the whole window for every entry would cost more than ripping it, so the
// walk paints at most once per display frame.
void Form1::Yield() {
    if (walk_painted_) {
        const bool paint = walk_painted_->elapsed() >= 16;
        setUpdatesEnabled(paint);
        if (paint) walk_painted_->restart();
    }
    QCoreApplication::processEvents();
}

void Form1::RipEntryEnds() {
    frmAll->setEnabled(true);
    lblStatus->setText(kIdle);
}

void Form1::BeginWork(QLatin1String status) {
    frmAll->setEnabled(false);
    menuBar()->setEnabled(false);
    lblStatus->setText(status);
    // Once, so that the disabled controls and the status are painted before the copy starts.
    Yield();
}

void Form1::EndWork() {
    frmAll->setEnabled(true);
    menuBar()->setEnabled(true);
    lblStatus->setText(kIdle);
}

bool Form1::Attempt(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const std::exception& e) {
        // No failure ends the program: back to Idle, and the user is told what and why.
        EndWork();
        dialogs_->Message(MessageIcon::Critical, QStringLiteral("Error"),
                          QString::fromLocal8Bit(e.what()));
        return false;
    }
}

}  // namespace vorlix::window
