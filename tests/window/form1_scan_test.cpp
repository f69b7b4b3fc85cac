// Make VLX List from BIN on a disc image built for the test: the scan with its progress, the list
// written where the user says and opened with the image, a cue sheet standing for its data track,
// and a cancel or a refusal at every step leaving everything as it was.
#include <QStandardPaths>
#include <QTest>
#include <memory>

#include "testdisc/psx_disc_builder.h"
#include "window/texts.h"
#include "window_rig.h"

using namespace vorlix::window::test;
using namespace vorlix::test;

namespace {

QStringList ExpectedLines(const BuiltDisc& disc) {
    QStringList lines;
    for (const ExpectedEntry& e : disc.expected)
        lines << QStringLiteral("%1:%2:%3").arg(e.start).arg(e.end).arg(e.code);
    return lines;
}

}  // namespace

class Form1Scan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        disc_dir_ = std::make_unique<TempDir>();
        disc_ = BuildPsxDisc(disc_dir_->path());
    }

    void scanningAChosenCueWritesTheListAndOpensItWithTheImage() {
        WindowRig rig;
        const auto list = rig.dir / "made.vlx";
        rig.dialogs->AnswerFile(Q(disc_.cue));
        rig.dialogs->AnswerFile(Q(list));
        rig.Trigger("mnuFileScan");

        const QString folder = Q(disc_.cue.parent_path());
        QCOMPARE(rig.dialogs->asked,
                 QStringList({"open Select File:  | " + QString(vorlix::window::kImageFilter),
                              "progress Make VLX List: Scanning Test Disc.cue",
                              "save Select File: Test Disc.vlx | VORLIX files (*.vlx)|*.vlx|All "
                              "Files (*.*)|*.* in " +
                                  folder}));
        const QString total = QString::number(disc_.sectors);
        QCOMPARE(rig.dialogs->progress_updates.value(rig.dialogs->progress_updates.size() - 1),
                 total + '/' + total);
        QVERIFY(rig.dialogs->messages.isEmpty());

        // Opened as the two open commands would: the cue is kept as chosen.
        QCOMPARE(rig.Items(), ExpectedLines(disc_));
        QCOMPARE(rig.form->listFilePath(), Q(list));
        QCOMPARE(rig.form->imageFilePath(), Q(disc_.cue));
        QVERIFY(rig.Idle() && rig.Snap().row == 0 && rig.Snap().buttons == 5);

        // The cue stands for its data track when an operation runs.
        const ExpectedEntry& first = disc_.expected.front();
        rig.dialogs->AnswerFile(Q(rig.dir / "first.bak"));
        rig.Click("cmdBackup");
        QVERIFY(rig.dialogs->messages.isEmpty());
        QVERIFY(ReadBytes(rig.dir / "first.bak") ==
                SectorsOf(ReadBytes(disc_.bin), first.start, first.end - first.start + 1));
    }

    void aCancelOrARefusalAtAnyStepChangesNothing() {
        WindowRig rig;
        const std::string disc_listing = disc_dir_->Listing();
        const auto target = rig.dir / "made.vlx";
        WriteText(target, "keep me");

        // Nothing open: the image dialog is cancelled.
        rig.Trigger("mnuFileScan");
        QCOMPARE(rig.dialogs->asked.size(), 1);
        QVERIFY(rig.form->imageFilePath().isEmpty() && rig.Items().isEmpty());

        // The open image is scanned without asking for one. After each cancel or refusal the
        // window shows what it showed, and no file is written or replaced.
        rig.OpenBoth({"1:2:10"}, disc_.bin);
        const QStringList shown = rig.Shown();
        const std::string listing = rig.dir.Listing();
        const Bytes image = ReadBytes(disc_.bin);
        const auto unchanged = [&](const char* step) {
            QVERIFY2(rig.Idle() && rig.Shown() == shown, step);
            QVERIFY2(ReadBytes(target) == Bytes({'k', 'e', 'e', 'p', ' ', 'm', 'e'}), step);
            QVERIFY2(rig.dir.Listing() == listing && disc_dir_->Listing() == disc_listing, step);
            QVERIFY2(ReadBytes(disc_.bin) == image, step);
        };
        rig.dialogs->asked.clear();
        rig.dialogs->cancel_at_update = 1;
        rig.Trigger("mnuFileScan");
        QCOMPARE(rig.dialogs->asked, QStringList{"progress Make VLX List: Scanning Test Disc "
                                                 "(Track 1).bin"});
        unchanged("progress cancelled");
        rig.dialogs->cancel_at_update = 0;

        rig.Trigger("mnuFileScan");  // the save dialog cancelled
        QVERIFY(rig.dialogs->asked.back().startsWith("save Select File: Test Disc (Track 1).vlx"));
        unchanged("save cancelled");

        rig.dialogs->AnswerFile(Q(target));
        rig.dialogs->AnswerQuestion(false);
        rig.Trigger("mnuFileScan");
        QCOMPARE(rig.dialogs->asked.back(), "question Question: File already exsists. Overwrite?");
        unchanged("overwrite declined");

        // The image itself is no place for a list, even with the user's Yes.
        rig.dialogs->AnswerFile(Q(disc_.bin));
        rig.dialogs->AnswerQuestion(true);
        rig.Trigger("mnuFileScan");
        QVERIFY(rig.ShowedError({}));
        unchanged("the image refused");
        QVERIFY(rig.dialogs->progress_updates.size() > 1);

        // Yes replaces the old file, and the new list is opened.
        rig.dialogs->messages.clear();
        rig.dialogs->AnswerFile(Q(target));
        rig.dialogs->AnswerQuestion(true);
        rig.Trigger("mnuFileScan");
        QVERIFY(rig.dialogs->messages.isEmpty());
        QCOMPARE(rig.Items(), ExpectedLines(disc_));
        QCOMPARE(rig.form->listFilePath(), Q(target));
        QCOMPARE(rig.form->imageFilePath(), Q(disc_.bin));
    }

    void ripAllTellsOfEntriesOverTheFileSystemAndStillRips() {
        WindowRig rig;
        const BuiltDisc disc = BuildPsxDisc(rig.dir / "disc");
        rig.OpenBoth({"10:309:99"}, disc.bin);
        rig.Click("cmdRipAll");
        QCOMPARE(rig.dialogs->messages.size(), 2);
        QVERIFY(rig.dialogs->messages[0].startsWith(
            "exclamation Warning: Entry 1 (DUM, sectors 10-309) covers the system area (sectors "
            "0-15), the primary volume descriptor (sector 16), "));
        QCOMPARE(rig.dialogs->messages[1], "exclamation Info: Rip Complete");
    }

    // However many warnings, the box stays within the screen: beyond a few they are details.
    void manyWarningsAreDetailsOfOneShortMessage() {
        WindowRig rig;
        const BuiltDisc crowded = BuildPsxDisc(rig.dir / "crowded", {.crowded_directory = true});
        rig.dialogs->AnswerFile(Q(crowded.bin));
        rig.dialogs->AnswerFile(Q(rig.dir / "crowded.vlx"));
        rig.Trigger("mnuFileScan");
        QCOMPARE(rig.dialogs->messages,
                 QStringList{"exclamation Info: Scanning Test Disc (Track 1).bin gave 21 warnings; "
                             "the details list them."});
        const QStringList details = rig.dialogs->details.value(0).split("\r\n");
        QCOMPARE(details.size(), 21);
        QVERIFY(details.back().startsWith("and 24556 more files"));
    }

private:
    std::unique_ptr<TempDir> disc_dir_;
    BuiltDisc disc_;
};

QTEST_MAIN(Form1Scan)
#include "form1_scan_test.moc"
