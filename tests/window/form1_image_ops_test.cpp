// Backup, Restore, Replace File and Rip All through the window, on small synthetic images checked
// byte for byte; the window's state while they work; failures that return the window to Idle.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cerrno>

#include "image/file_faults.h"
#include "support/synthetic.h"
#include "window_rig.h"

using namespace vorlix::window::test;
using vorlix::test::Bytes;
using vorlix::test::PatternSector;
using vorlix::test::ReadBytes;
using vorlix::test::SectorsOf;
using vorlix::test::WritePatternFile;

namespace {

Bytes Repeat(const Bytes& sector, std::int64_t count) {
    Bytes out;
    for (std::int64_t i = 0; i < count; ++i) out.insert(out.end(), sector.begin(), sector.end());
    return out;
}

const Bytes kZeroSector(2352, 0);

// Everything of `after` equals `before` except sectors [first, first + count).
bool OnlyChanged(const Bytes& before, const Bytes& after, std::int64_t first, std::int64_t count) {
    if (before.size() != after.size()) return false;
    const std::size_t from = static_cast<std::size_t>(first) * 2352;
    const std::size_t to = from + static_cast<std::size_t>(count) * 2352;
    for (std::size_t i = 0; i < before.size(); ++i)
        if ((i < from || i >= to) && before[i] != after[i]) return false;
    return true;
}

// The window's state during the one yield of a long operation, seen from inside it.
struct Busy {
    bool seen = false;
    Snapshot during;
};

std::function<void()> ObserveWork(WindowRig& rig, Busy& busy) {
    return [&rig, &busy] {
        QTimer::singleShot(0, rig.form.get(), [&rig, &busy] {
            busy.seen = true;
            busy.during = rig.Snap();
            // Neither Exit nor closing the window may end the program mid-copy.
            QTest::keyClick(rig.form.get(), Qt::Key_X, Qt::ControlModifier);
            rig.form->close();
        });
    };
}

void CheckBusy(const Busy& busy, const char* status) {
    QVERIFY(busy.seen);
    QVERIFY(!busy.during.frm_all);
    QVERIFY(!busy.during.menu_bar);
    QCOMPARE(busy.during.status, QString::fromLatin1(status));
}

}  // namespace

class Form1ImageOps : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { vorlix::SetFaultHook({}); }

    void backupWritesTheEntrysSectorsAndAsksBeforeReplacingAFile() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 120);
        const Bytes before = ReadBytes(image);
        rig.OpenBoth({"0:1:99", "100:102:10"}, image);
        rig.ClickRow(1);

        // A new file: no question; the dialog offers START.TYPE.
        Busy busy;
        const auto backup = rig.dir / "saved.bak";
        rig.dialogs->AnswerFile(Q(backup), ObserveWork(rig, busy));
        rig.Click("cmdBackup");
        CheckBusy(busy, "Backup in progress");
        QVERIFY(rig.form->isVisible());
        const DialogCall& dialog = rig.dialogs->calls.back();
        QCOMPARE(dialog.kind, DialogCall::Save);
        QCOMPARE(dialog.file_name, QStringLiteral("100.XA"));
        QCOMPARE(dialog.title, QStringLiteral("Select File"));
        QCOMPARE(dialog.filter, QStringLiteral("All Files (*.*)|*.*"));
        const Bytes saved = ReadBytes(backup);
        QCOMPARE(saved.size(), size_t{7056});
        QVERIFY(saved == Bytes(before.begin() + 235200, before.begin() + 242256));
        QVERIFY(ReadBytes(image) == before);
        QVERIFY(rig.Idle());

        // The same file again, answer No: nothing happens.
        rig.ClickRow(0);
        rig.dialogs->Forget();
        rig.dialogs->AnswerFile(Q(backup));
        rig.dialogs->AnswerQuestion(false);
        rig.Click("cmdBackup");
        QCOMPARE(rig.dialogs->calls.size(), size_t{2});
        const DialogCall& question = rig.dialogs->calls[1];
        QCOMPARE(question.kind, DialogCall::Question);
        QCOMPARE(question.title, QStringLiteral("Question"));
        QCOMPARE(question.text, QStringLiteral("File already exsists. Overwrite?"));
        QVERIFY(ReadBytes(backup) == saved);
        QVERIFY(rig.Idle());

        // Answer Yes: the file becomes the first entry's backup.
        rig.dialogs->AnswerFile(Q(backup));
        rig.dialogs->AnswerQuestion(true);
        rig.Click("cmdBackup");
        QVERIFY(ReadBytes(backup) == SectorsOf(before, 0, 2));

        // An existing empty file is not asked about; a cancel writes nothing.
        vorlix::test::WriteText(rig.dir / "empty", "");
        rig.dialogs->AnswerFile(Q(rig.dir / "empty"));
        rig.Click("cmdBackup");
        QVERIFY(ReadBytes(rig.dir / "empty") == SectorsOf(before, 0, 2));
        const std::string listing = rig.dir.Listing();
        rig.dialogs->AnswerFile(QString());
        rig.Click("cmdBackup");
        QCOMPARE(rig.dir.Listing(), listing);
        QVERIFY(rig.Idle());
        QVERIFY(rig.dialogs->Messages().empty());
        QVERIFY(rig.dialogs->unexpected.isEmpty());
        QVERIFY(rig.dialogs->AllAnswered());
    }

    void restoreWritesTheBackupBackOverTheEntryOnly() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 40);
        const Bytes original = ReadBytes(image);
        rig.OpenBoth({"10:14:99", "30:31:20"}, image);
        rig.dialogs->AnswerFile(Q(rig.dir / "10.DUM"));
        rig.Click("cmdBackup");

        WritePatternFile(image, 2, 40);  // the whole image changes
        const Bytes changed = ReadBytes(image);
        Busy busy;
        rig.dialogs->AnswerFile(Q(rig.dir / "10.DUM"), ObserveWork(rig, busy));
        rig.Click("cmdRestore");
        CheckBusy(busy, "Restore in progress");
        const DialogCall& dialog = rig.dialogs->calls.back();
        QCOMPARE(dialog.kind, DialogCall::Open);
        QCOMPARE(dialog.file_name, QStringLiteral("10.DUM"));
        QCOMPARE(dialog.filter, QStringLiteral("All Files (*.*)|*.*"));
        const Bytes after = ReadBytes(image);
        QVERIFY(SectorsOf(after, 10, 5) == SectorsOf(original, 10, 5));
        QVERIFY(OnlyChanged(changed, after, 10, 5));
        QVERIFY(rig.Idle());

        // A cancel touches nothing.
        rig.ClickRow(1);
        rig.dialogs->AnswerFile(QString());
        rig.Click("cmdRestore");
        QVERIFY(ReadBytes(image) == after);
        QVERIFY(rig.Idle());
        QVERIFY(rig.dialogs->Messages().empty());
    }

    void replaceFillsTheEntryByItsType() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        const auto source = rig.dir / "source.raw";
        WritePatternFile(image, 1, 900);
        WritePatternFile(source, 5, 410);
        rig.OpenBoth({"10:14:10", "430:834:2", "840:842:99", "850:852:20", "860:1262:0"}, image);
        const Bytes xa_filler = XaFillerSector();
        Bytes expected = ReadBytes(image);
        const auto put = [&](std::int64_t sector, const Bytes& bytes) {
            std::copy(bytes.begin(), bytes.end(), expected.begin() + sector * 2352);
        };

        // XA with the option on: source sector 0, then filler sectors.
        Busy busy;
        rig.dialogs->AnswerFile(Q(source), ObserveWork(rig, busy));
        rig.Click("cmdReplace");
        CheckBusy(busy, "Replace in progress");
        const DialogCall& dialog = rig.dialogs->calls.back();
        QCOMPARE(dialog.kind, DialogCall::Open);
        QCOMPARE(dialog.file_name, QString());
        QCOMPARE(dialog.filter, QStringLiteral("All Files (*.*)|*.*"));
        put(10, PatternSector(5, 0));
        put(11, Repeat(xa_filler, 4));
        QVERIFY(ReadBytes(image) == expected);
        QVERIFY(rig.Idle());

        // XA with the option off: zero sectors.
        rig.Trigger("mnuOptionsXA");
        rig.dialogs->AnswerFile(Q(source));
        rig.Click("cmdReplace");
        put(11, Repeat(kZeroSector, 4));
        QVERIFY(ReadBytes(image) == expected);

        // ST of 405 sectors: 404 source sectors, then zeros.
        rig.ClickRow(1);
        rig.dialogs->AnswerFile(Q(source));
        rig.Click("cmdReplace");
        put(430, SectorsOf(ReadBytes(source), 0, 404));
        put(834, kZeroSector);
        QVERIFY(ReadBytes(image) == expected);

        // DUM: zeros; the chosen file is never opened.
        rig.ClickRow(2);
        rig.dialogs->AnswerFile(Q(rig.dir / "not-there"));
        rig.Click("cmdReplace");
        put(840, Repeat(kZeroSector, 3));
        QVERIFY(ReadBytes(image) == expected);
        QVERIFY(!std::filesystem::exists(rig.dir / "not-there"));

        // TIM, an ST entry of 403 sectors, and a cancel: nothing at all, not even the status.
        for (int row : {3, 4, 0}) {
            rig.ClickRow(row);
            Busy none;
            rig.dialogs->AnswerFile(row == 0 ? QString() : Q(source), ObserveWork(rig, none));
            rig.Click("cmdReplace");
            QVERIFY(!none.seen);
            QVERIFY(ReadBytes(image) == expected);
            QVERIFY(rig.Idle());
        }
        QVERIFY(rig.dialogs->Messages().empty());
    }

    void ripAllWalksTheListAndRipsOnlyItsRippableEntries() {
        WindowRig rig;
        std::filesystem::create_directory(rig.blanks);
        WritePatternFile(rig.blanks / "blank.STR", 7, 405);
        WritePatternFile(rig.blanks / "blank.XA", 8, 2);
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 1300);
        const std::vector<std::string> lines = {"0:404:1",    "410:412:10",  "420:425:20",
                                                "430:439:99", "440:842:0",   "850:852:31",
                                                "860:1263:2", "1270:1271:77"};
        rig.OpenBoth(lines, image);
        rig.ClickRow(4);
        rig.Trigger("mnuOptionsXA");  // off: XA filler becomes zero sectors
        Bytes expected = ReadBytes(image);
        const auto put = [&](std::int64_t sector, const Bytes& bytes) {
            std::copy(bytes.begin(), bytes.end(), expected.begin() + sector * 2352);
        };
        const Bytes str = SectorsOf(ReadBytes(rig.blanks / "blank.STR"), 0, 404);
        put(0, str);
        put(404, kZeroSector);
        put(410, PatternSector(8, 0));
        put(411, Repeat(kZeroSector, 2));
        put(430, Repeat(kZeroSector, 10));
        put(860, str);  // 440:842 is an ST entry of 403 sectors: left alone

        rig.StartRecording();
        rig.Click("cmdRipAll");
        const std::vector<Snapshot> walk = rig.StopRecording();

        QVERIFY(ReadBytes(image) == expected);
        const auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].title, QStringLiteral("Info"));
        QCOMPARE(messages[0].text, QStringLiteral("Rip Complete"));
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Exclamation);
        // Afterwards: the last entry selected and shown, everything enabled again.
        QCOMPARE(rig.List()->currentRow(), 7);
        QCOMPARE(rig.Details(), QStringList({"1270", "1271", "2", "???", "77"}));
        const Snapshot end = rig.Snap();
        QVERIFY(end.list);
        QVERIFY(end.AllButtons());
        QVERIFY(rig.Idle());

        // During the walk: every entry selected in order, with the list, the buttons and the menu
        // disabled and the type box left enabled; "Replace in progress" only for ripped entries.
        QList<int> rows;
        QSet<QString> ripped_types;
        for (const Snapshot& s : walk) {
            QVERIFY(!s.list);
            QVERIFY(!s.AnyButton());
            QVERIFY(!s.menu_bar);
            if (s.frm_all) QVERIFY(s.type_box);
            if (rows.isEmpty() || rows.back() != s.row) rows << s.row;
            if (s.status == QStringLiteral("Replace in progress")) {
                QVERIFY(!s.frm_all);
                ripped_types << s.type;
            }
        }
        QCOMPARE(rows, QList<int>({0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(ripped_types, QSet<QString>({"ST1", "XA", "DUM", "ST2"}));
    }

    void ripAllJudgesAnEntryByItsChangedType() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 20);
        rig.OpenBoth({"2:4:20", "6:7:99"}, image);
        rig.ClickRow(1);
        rig.TypeBox()->setText(QStringLiteral("40"));
        rig.Click("cmdChange");  // DUM -> SEQ
        rig.ClickRow(0);
        rig.TypeBox()->setText(QStringLiteral("99"));
        rig.Click("cmdChange");  // TIM -> DUM, on the entry Rip All starts with
        QCOMPARE(rig.Label("lblType")->text(), QStringLiteral("TIM"));
        const Bytes before = ReadBytes(image);
        rig.Click("cmdRipAll");
        Bytes expected = before;
        std::fill(expected.begin() + 2 * 2352, expected.begin() + 5 * 2352, 0);
        QVERIFY(ReadBytes(image) == expected);
        QCOMPARE(rig.Label("lblType")->text(), QStringLiteral("SEQ"));
    }

    void aMissingBlankFileStopsRipAllBeforeAnythingIsWritten() {
        WindowRig rig;  // no blanks directory at all
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 20);
        const Bytes before = ReadBytes(image);
        rig.OpenBoth({"0:3:99", "5:6:10"}, image);
        rig.Click("cmdRipAll");
        const auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Critical);
        QVERIFY2(messages[0].text.contains(Q(rig.blanks / "blank.XA")),
                 qPrintable(messages[0].text));
        QVERIFY(ReadBytes(image) == before);
        const Snapshot s = rig.Snap();
        QVERIFY(s.list);
        QVERIFY(s.AllButtons());
        QVERIFY(rig.Idle());
    }

    void aFailureMidWayShowsTheReasonAndReturnsToIdle() {
        WindowRig rig;
        std::filesystem::create_directory(rig.blanks);
        WritePatternFile(rig.blanks / "blank.XA", 8, 1);
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 20);
        const Bytes before = ReadBytes(image);
        rig.OpenBoth({"0:1:99", "4:5:99", "8:9:10"}, image);

        // The disk fills up while the second entry is written: the first stays ripped, the
        // third is not touched, and "Rip Complete" is not shown.
        vorlix::SetFaultHook([&](vorlix::FileCall call, const std::filesystem::path& path) {
            const bool second = rig.Label("lblStart")->text() == QStringLiteral("4");
            return call == vorlix::FileCall::Write && path == image && second ? ENOSPC : 0;
        });
        rig.Click("cmdRipAll");
        vorlix::SetFaultHook({});
        auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Critical);
        QVERIFY2(messages[0].text.contains(Q(image)), qPrintable(messages[0].text));
        QVERIFY2(messages[0].text.contains(QStringLiteral("No space left on device")),
                 qPrintable(messages[0].text));
        const Bytes after = ReadBytes(image);
        QVERIFY(SectorsOf(after, 0, 2) == Repeat(kZeroSector, 2));
        QVERIFY(SectorsOf(after, 8, 2) == SectorsOf(before, 8, 2));
        QVERIFY(rig.Snap().list);
        QVERIFY(rig.Snap().AllButtons());
        QVERIFY(rig.Idle());

        // An image that has gone: each operation says so and the window stays usable.
        std::filesystem::remove(image);
        struct Attempt {
            const char* button;
            QString chosen;
        };
        WritePatternFile(rig.dir / "source", 3, 2);
        const Attempt attempts[] = {{"cmdBackup", Q(rig.dir / "b.bak")},
                                    {"cmdRestore", Q(rig.dir / "source")},
                                    {"cmdReplace", Q(rig.dir / "source")},
                                    {"cmdRipAll", QString()}};
        for (const Attempt& a : attempts) {
            rig.dialogs->Forget();
            if (!a.chosen.isEmpty()) rig.dialogs->AnswerFile(a.chosen);
            rig.Click(a.button);
            messages = rig.dialogs->Messages();
            QVERIFY2(messages.size() == 1, a.button);
            QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Critical);
            QVERIFY2(messages[0].text.contains(Q(image)), qPrintable(messages[0].text));
            QVERIFY2(messages[0].text.contains(QStringLiteral("No such file or directory")),
                     qPrintable(messages[0].text));
            QVERIFY2(rig.Idle(), a.button);
            QVERIFY(rig.Snap().AllButtons());
        }
        QVERIFY(!std::filesystem::exists(image));
        QVERIFY(!std::filesystem::exists(rig.dir / "b.bak"));
        QVERIFY(rig.form->isVisible());
    }
};

QTEST_MAIN(Form1ImageOps)
#include "form1_image_ops_test.moc"
