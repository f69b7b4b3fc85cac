// Backup, Restore, Replace File, Rip All and Rip All to New Image: the window's side of the image
// operations. The operations read the selected entry from the details labels and leave the sectors
// to the core.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/program_directory.h"
#include "disc/covered_structures.h"
#include "disc/cue_tracks.h"
#include "disc/image_source.h"
#include "disc/new_image_cue.h"
#include "entries/type_codes.h"
#include "files/overwrite_rule.h"
#include "image/audio_silence.h"
#include "image/backup_restore.h"
#include "image/blank_substitution.h"
#include "image/replace_engine.h"
#include "image/rip_all.h"
#include "image/rip_to_new.h"
#include "image/sector_copy.h"
#include "window/conversions.h"
#include "window/form1.h"
#include "window/texts.h"

namespace vorlix::window {

void Form1::cmdBackup_Click() {
    Attempt([this] {
        const std::filesystem::path image = DataTrack();
        const EntryLabels labels = CurrentLabels();
        const QString path = dialogs_->SaveFile(
            {TextOf(DefaultBackupName(labels)), kSelectFile, kAllFilesFilter, ImageFolderPath()});
        if (path.isEmpty()) return;
        if (NeedsOverwriteQuestion(PathOf(path)) &&
            !dialogs_->Question(QStringLiteral("Question"), kOverwriteQuestion))
            return;
        BeginWork(kBackupInProgress);
        BackupEntry(labels, image, PathOf(path));
        EndWork();
    });
}

void Form1::cmdRestore_Click() {
    Attempt([this] {
        const std::filesystem::path image = DataTrack();
        const EntryLabels labels = CurrentLabels();
        const QString path = dialogs_->OpenFile(
            {TextOf(DefaultBackupName(labels)), kSelectFile, kAllFilesFilter, ImageFolderPath()});
        if (path.isEmpty()) return;
        BeginWork(kRestoreInProgress);
        RestoreEntry(labels, image, PathOf(path), CurrentWriteOptions());
        EndWork();
    });
}

void Form1::cmdReplace_Click() {
    Attempt([this] {
        const std::filesystem::path image = DataTrack();
        const WriteOptions options = CurrentWriteOptions();
        const QString path =
            dialogs_->OpenFile({QString(), kSelectFile, kAllFilesFilter, ImageFolderPath()});
        if (path.isEmpty()) return;
        const ReplacePlan plan = PlanReplace(CurrentLabels(), options);
        if (plan.branch == ReplaceBranch::None) return;
        BeginWork(kReplaceInProgress);
        RunReplace(plan, image, PathOf(path));
        EndWork();
    });
}

void Form1::cmdRipAll_Click() {
    // With Silence Audio Tracks and a cue, the audio tracks are checked before the first write
    // and silenced after the walk.
    std::optional<SilenceReport> silenced;
    WalkAll([&](const EntryLines& lines, const RipAllHooks& hooks) {
        std::vector<AudioSpan> audio;
        const std::filesystem::path image = PathOf(ImageFilePath);
        if (mnuOptionsSilence->isChecked() && DataTrackOf(image) != image) {
            audio = AudioSpansOf(image);
            SilenceAudio(audio, true);
        }
        RipAll(lines, DataTrack(), BlanksDirectory(), hooks);
        if (!audio.empty()) silenced = SilenceAudio(audio, false);
        return QString();
    });
    if (silenced)
        dialogs_->Message(MessageIcon::Information, QStringLiteral("Info"),
                          TextOf(SilenceSummary(*silenced, false)).trimmed());
}

// Rip All on a copy: the new image is chosen and checked first, then the image is copied with
// its progress shown and the copy walked as Rip All walks the image.
void Form1::mnuFileRipNew_Click() {
    std::filesystem::path image;
    std::optional<NewImage> target;
    Attempt([&] {
        image = DataTrack();
        const QFileInfo named(ImageFilePath);
        const QString path = dialogs_->SaveFile(
            {named.completeBaseName() + QStringLiteral(" (ripped).") + named.suffix(), kRipNewTitle,
             kImageFilter, ImageFolderPath()});
        if (path.isEmpty()) return;
        NewImage chosen = NewImageFor(PathOf(ImageFilePath), PathOf(path));
        const bool replaces = NeedsOverwriteQuestion(chosen.bin) ||
                              (chosen.cue && NeedsOverwriteQuestion(*chosen.cue));
        if (replaces && !dialogs_->Question(QStringLiteral("Question"), kOverwriteQuestion)) return;
        CheckNewImage(chosen, image, PathOf(ListFilePath), BlanksDirectory(), replaces);
        target = std::move(chosen);
    });
    if (!target) return;
    WalkAll([&](const EntryLines& lines, const RipAllHooks& hooks) {
        // The progress box comes up with the copy, after Rip All's checks, and goes with it.
        std::unique_ptr<ProgressView> progress;
        bool copied = false;
        const auto shown = [&](std::uint64_t done, std::uint64_t total) {
            if (copied) return;
            if (!progress)
                progress =
                    dialogs_->Progress(kRipNewTitle, QStringLiteral("Copying the image\u2026"));
            if (!progress->Update(static_cast<std::int64_t>(done),
                                  static_cast<std::int64_t>(total)))
                throw Failure("The copy was cancelled.");
            QCoreApplication::processEvents();
            copied = done == total;
            if (copied) progress.reset();
        };
        const RipToNewReport report =
            RipToNewImage(lines, image, *target, BlanksDirectory(), hooks, shown);
        return QStringLiteral("New image: %1 (copied in %2 s as %3).")
            .arg(TextOf(DisplayPath(target->cue ? *target->cue : target->bin)))
            .arg(report.copy_seconds, 0, 'f', 1)
            .arg(report.way == CopyWay::Reflink ? QStringLiteral("a reflink")
                                                : QStringLiteral("a full copy"));
    });
}

void Form1::WalkAll(const std::function<QString(const EntryLines&, const RipAllHooks&)>& run) {
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
    // An entry about to be ripped is painted by RipEntry's own yield, "Replace in progress"
    // included; one yield per entry is enough.
    hooks.yield = [this] {
        if (!IsRippable(BytesOf(lblType->text()))) Yield();
    };
    hooks.options = [this] { return CurrentWriteOptions(); };
    hooks.rip_entry = [this](const EntryLabels&, const std::filesystem::path& image) {
        return RipEntry(image);
    };

    const QPointer<QWidget> had_focus = focusWidget();
    // No menu command may close or swap the files while the walk uses them.
    menuBar()->setEnabled(false);
    // The list scrolls to the selected entry when the walk paints, not at every selection: past the
    // first screenful, scrolling by one entry per selection would cost more than the selection.
    lstKLV->setAutoScroll(false);
    walk_painted_.emplace();
    walk_notes_.clear();
    QString summary;
    const bool ripped = Attempt([&] {
        // A list made for another image, or from a damaged record, is told of and still ripped.
        QString covering;
        for (const std::string& warning : EntriesCoveringStructures(lines, DataTrack()))
            covering += TextOf(warning) + '\n';
        if (!covering.isEmpty())
            dialogs_->Message(MessageIcon::Exclamation, QStringLiteral("Warning"),
                              covering.trimmed());
        summary = run(lines, hooks);
    });
    walk_painted_.reset();
    ShowWalkState();
    lstKLV->setAutoScroll(true);
    if (QListWidgetItem* item = lstKLV->currentItem()) lstKLV->scrollToItem(item);
    if (ripped) {
        // The walk's end, fully painted (last entry selected, list and buttons disabled) before
        // the message says it is over.
        Yield();
        dialogs_->Message(MessageIcon::Exclamation, QStringLiteral("Info"),
                          QStringLiteral("Rip Complete") +
                              (summary.isEmpty() ? QString() : QStringLiteral("\r\n") + summary));
        // Keep Stream Structure names what it could not keep, as the command line does.
        if (!walk_notes_.empty()) {
            QString text;
            for (const std::string& note : walk_notes_) text += TextOf(Sentence(note)) + '\n';
            dialogs_->Message(MessageIcon::Information, QStringLiteral("Info"), text.trimmed());
        }
    }
    for (QWidget* control : walked) control->setEnabled(true);
    menuBar()->setEnabled(true);
    if (had_focus && had_focus->isEnabled()) had_focus->setFocus(Qt::OtherFocusReason);
}

// Rips the entry the details labels show in `image` (the open image, or the copy Rip All to New
// Image walks), with the blank of its type and the options as they are now; the window is busy
// while the sectors are written.
std::int64_t Form1::RipEntry(const std::filesystem::path& image) {
    PlannedRip planned;
    const std::int64_t written =
        vorlix::RipEntry(CurrentLabels(), image, BlanksDirectory(), CurrentWriteOptions(),
                         {[this] { RipEntryBegins(); }, [this] { RipEntryEnds(); }},
                         Flush::Deferred,  // the walk flushes once at its end
                         &planned);
    if (planned.kept) {
        const std::vector<std::string> notes =
            EntryNotes(static_cast<std::size_t>(lstKLV->currentRow()), *planned.kept);
        walk_notes_.insert(walk_notes_.end(), notes.begin(), notes.end());
    }
    return written;
}

// frmAll is disabled while the entry is written. The walk shows that when it paints: switching
// every control in frmAll off and on for entries written between two paints would cost more
// than some of the entries.
void Form1::RipEntryBegins() {
    walk_frm_all_enabled_ = false;
    lblStatus->setText(kReplaceInProgress);
    Yield();
}

// Lets the window process its pending events once, which paints what has changed. During Rip All
// painting the whole window for every entry would cost more than ripping it, so the walk yields
// at most once per display frame and otherwise goes straight on; its first yield always paints.
void Form1::Yield() {
    if (walk_painted_) {
        if (walk_painted_->isValid() && walk_painted_->elapsed() < 16) return;
        walk_painted_->start();
        if (QListWidgetItem* item = lstKLV->currentItem()) lstKLV->scrollToItem(item);
        ShowWalkState();
    }
    QCoreApplication::processEvents();
}

void Form1::RipEntryEnds() {
    walk_frm_all_enabled_ = true;
    lblStatus->setText(kIdle);
}

void Form1::BeginWork(QLatin1String status) {
    RememberFocus();
    frmAll->setEnabled(false);
    menuBar()->setEnabled(false);
    lblStatus->setText(status);
    // Once, so that the disabled controls and the status are painted before the copy starts.
    Yield();
}

void Form1::EndWork() {
    ShowWalkState();  // a walk that failed shows where it stopped
    frmAll->setEnabled(true);
    menuBar()->setEnabled(true);
    lblStatus->setText(kIdle);
    RestoreFocus();
}

// Disabling frmAll takes the keyboard focus from the control that had it; it goes back there when
// the operation ends.
void Form1::RememberFocus() {
    focus_before_work_ = focusWidget();
}

void Form1::RestoreFocus() {
    if (focus_before_work_ && focus_before_work_->isEnabled())
        focus_before_work_->setFocus(Qt::OtherFocusReason);
    focus_before_work_ = nullptr;
}

// The raw image the operations work on: the image chosen, or the data track of a cue sheet.
std::filesystem::path Form1::DataTrack() const {
    const vorlix::DataTrack track = ResolveImage(PathOf(ImageFilePath));
    const std::filesystem::path& bin = track.bin;
    // The operation that asked reads the write options next; they keep its writes in the track.
    data_track_sectors_ = track.sectors;
    // Written as an image, the list would be lost.
    RefuseSameFile(bin, PathOf(ListFilePath), "list file");
    return bin;
}

std::filesystem::path Form1::BlanksDirectory() const {
    if (!blanks_dir_.empty()) return blanks_dir_;
    return DefaultBlanksDirectory(program_directory_ ? program_directory_() : ProgramDirectory());
}

// The folder of the open image: Backup, Restore and Replace File offer their files there.
QString Form1::ImageFolderPath() const {
    return QFileInfo(ImageFilePath).absolutePath();
}

bool Form1::Attempt(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const std::exception& e) {
        // No failure ends the program: back to Idle, and the user is told what and why.
        EndWork();
        dialogs_->Message(MessageIcon::Critical, QStringLiteral("Error"),
                          QString::fromLocal8Bit(Sentence(e.what())));
        return false;
    }
}

}  // namespace vorlix::window
