// Backup, Restore, Replace File and Rip All through the window, on small synthetic images checked
// byte for byte; the window's state while they work; failures that return the window to Idle.
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <utility>

#include "image/file_faults.h"
#include "image/replace_engine.h"
#include "window_rig.h"

using namespace vorlix::window::test;
using vorlix::test::PatternSector;
using vorlix::test::ReadBytes;
using vorlix::test::SectorsOf;
using vorlix::test::WritePatternFile;

namespace {

const Bytes kZeroSector(2352, 0);

// `bytes` written over `image` from sector `first` on.
void Put(Bytes& image, std::int64_t first, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), image.begin() + first * 2352);
}

Bytes Repeat(const Bytes& sector, int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) out.insert(out.end(), sector.begin(), sector.end());
    return out;
}

// A look at the window during an operation's one yield, where it also tries to end the program,
// which the window must refuse mid-copy. Scheduled from inside the command that asks for a file.
struct Busy {
    bool seen = false;
    Snapshot during;
    std::unique_ptr<QTimer> timer;  // gone with the Busy, so an unseen look never fires later
};

std::function<void()> ObserveWork(WindowRig& rig, Busy& busy) {
    return [&rig, &busy] {
        busy.timer = std::make_unique<QTimer>();
        busy.timer->setSingleShot(true);
        QObject::connect(busy.timer.get(), &QTimer::timeout, [&rig, &busy] {
            busy.seen = true;
            busy.during = rig.Snap();
            QTest::keyClick(rig.form.get(), Qt::Key_X, Qt::ControlModifier);
            rig.form->close();
        });
        busy.timer->start(0);
    };
}

void CheckBusy(const WindowRig& rig, const Busy& busy, const char* status) {
    QVERIFY(busy.seen);
    QVERIFY(!busy.during.frm_all);
    QVERIFY(!busy.during.menu_bar);
    QCOMPARE(busy.during.status, QString::fromLatin1(status));
    QVERIFY(rig.form->isVisible());
    QVERIFY(rig.Idle());
}

}  // namespace

class Form1ImageOps : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { vorlix::SetFaultHook({}); }

    void backupAsksBeforeReplacingAFileAndRestoreWritesItBack() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 20);
        const Bytes original = ReadBytes(image);
        rig.OpenBoth({"4:5:99", "10:12:10"}, image);
        rig.ClickRow(1);

        Busy busy;
        const auto backup = rig.dir / "saved.bak";
        rig.dialogs->AnswerFile(Q(backup), ObserveWork(rig, busy));
        rig.Click("cmdBackup");
        CheckBusy(rig, busy, "Backup in progress");
        QCOMPARE(rig.dialogs->calls.back().kind, DialogCall::Save);
        QCOMPARE(rig.dialogs->calls.back().file_name, QStringLiteral("10.XA"));
        QVERIFY(ReadBytes(backup) == SectorsOf(original, 10, 3));
        QVERIFY(ReadBytes(image) == original);

        // The same file again: No leaves it, Yes makes it the first entry's backup.
        rig.ClickRow(0);
        for (bool yes : {false, true}) {
            rig.dialogs->calls.clear();
            rig.dialogs->AnswerFile(Q(backup));
            rig.dialogs->AnswerQuestion(yes);
            rig.Click("cmdBackup");
            QCOMPARE(rig.dialogs->calls.size(), size_t{2});
            QCOMPARE(rig.dialogs->calls[1].text,
                     QStringLiteral("File already exsists. Overwrite?"));
            QVERIFY(ReadBytes(backup) == SectorsOf(original, yes ? 4 : 10, yes ? 2 : 3));
            QVERIFY(rig.Idle());
        }

        WritePatternFile(image, 2, 20);  // the whole image changes
        Bytes expected = ReadBytes(image);
        Put(expected, 4, SectorsOf(original, 4, 2));
        Busy restoring;
        rig.dialogs->AnswerFile(Q(backup), ObserveWork(rig, restoring));
        rig.Click("cmdRestore");
        CheckBusy(rig, restoring, "Restore in progress");
        QCOMPARE(rig.dialogs->calls.back().kind, DialogCall::Open);
        QCOMPARE(rig.dialogs->calls.back().file_name, QStringLiteral("4.DUM"));
        QVERIFY(ReadBytes(image) == expected);

        // Cancelling either file dialog writes nothing.
        const std::string listing = rig.dir.Listing();
        for (const char* button : {"cmdBackup", "cmdRestore"}) {
            rig.dialogs->AnswerFile(QString());
            rig.Click(button);
            QVERIFY(rig.Idle());
        }
        QCOMPARE(rig.dir.Listing(), listing);
        QVERIFY(ReadBytes(image) == expected);
        QVERIFY(rig.dialogs->Messages().empty());
        QVERIFY(rig.dialogs->unexpected.isEmpty());
    }

    void replaceFollowsTheXaOptionAndLeavesOtherEntriesAlone() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        const auto source = rig.dir / "source.raw";
        WritePatternFile(image, 1, 20);
        WritePatternFile(source, 5, 2);
        rig.OpenBoth({"10:14:10", "2:3:20"}, image);
        Bytes expected = ReadBytes(image);
        Bytes xa_filler = kZeroSector;
        std::copy(vorlix::kXaSectorPrefix.begin(), vorlix::kXaSectorPrefix.end(),
                  xa_filler.begin());

        Busy busy;
        rig.dialogs->AnswerFile(Q(source), ObserveWork(rig, busy));
        rig.Click("cmdReplace");
        CheckBusy(rig, busy, "Replace in progress");
        Put(expected, 10, PatternSector(5, 0));
        Put(expected, 11, Repeat(xa_filler, 4));
        QVERIFY(ReadBytes(image) == expected);

        rig.Trigger("mnuOptionsXA");
        rig.dialogs->AnswerFile(Q(source));
        rig.Click("cmdReplace");
        Put(expected, 11, Repeat(kZeroSector, 4));
        QVERIFY(ReadBytes(image) == expected);

        // A TIM entry, and a cancel: nothing at all, not even the busy state.
        for (int row : {1, 0}) {
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

    void ripAllWalksTheListAsItIsShown() {
        WindowRig rig;
        std::filesystem::create_directory(rig.blanks);
        WritePatternFile(rig.blanks / "blank.XA", 8, 2);
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 14);
        rig.OpenBoth({"0:2:20", "4:6:10", "8:9:20", "11:12:77"}, image);
        // The selected entry becomes DUM, so the walk must show it anew to rip it.
        rig.ChangeType(QStringLiteral("99"));
        rig.Trigger("mnuOptionsXA");  // off: the XA filler becomes zero sectors
        rig.dialogs->calls.clear();
        Bytes expected = ReadBytes(image);
        Put(expected, 0, Repeat(kZeroSector, 3));
        Put(expected, 4, PatternSector(8, 0));
        Put(expected, 5, Repeat(kZeroSector, 2));

        rig.StartRecording();
        rig.Click("cmdRipAll");
        const std::vector<Snapshot> walk = rig.StopRecording();

        QVERIFY(ReadBytes(image) == expected);
        const auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].title, QStringLiteral("Info"));
        QCOMPARE(messages[0].text, QStringLiteral("Rip Complete"));
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Exclamation);
        QCOMPARE(rig.Details(), QStringList({"11", "12", "2", "???", "77"}));
        const Snapshot end = rig.Snap();
        QVERIFY(end.list && end.type_box);
        QCOMPARE(end.buttons, 5);
        QVERIFY(rig.Idle());

        // Every entry selected in order, with the list, the buttons and the menu disabled and the
        // type box left enabled; "Replace in progress" and frmAll disabled only while ripping.
        QList<int> rows;
        QSet<QString> ripped;
        for (const Snapshot& s : walk) {
            QVERIFY(!s.list && !s.menu_bar);
            QCOMPARE(s.buttons, 0);
            QVERIFY(!s.frm_all || s.type_box);
            if (rows.isEmpty() || rows.back() != s.row) rows << s.row;
            if (s.status != QStringLiteral("Replace in progress")) continue;
            QVERIFY(!s.frm_all);
            ripped << s.type;
        }
        QCOMPARE(rows, QList<int>({0, 1, 2, 3}));
        QCOMPARE(ripped, QSet<QString>({"DUM", "XA"}));
    }

    void aFailureShowsTheReasonAndReturnsToIdle() {
        WindowRig rig;
        const auto image = rig.dir / "game.bin";
        WritePatternFile(image, 1, 12);
        Bytes expected = ReadBytes(image);
        rig.OpenBoth({"0:1:99", "4:5:99", "8:9:99"}, image);

        // The disk fills up while the second entry is written: the walk stops and is not complete.
        vorlix::SetFaultHook([&](vorlix::FileCall call, const std::filesystem::path& path) {
            const bool second = rig.Text("lblStart") == QStringLiteral("4");
            return call == vorlix::FileCall::Write && path == image && second ? ENOSPC : 0;
        });
        rig.Click("cmdRipAll");
        vorlix::SetFaultHook({});
        QString error = rig.OnlyError();
        QVERIFY2(error.contains(Q(image)) && error.contains("No space left on device"),
                 qPrintable(error));
        Put(expected, 0, Repeat(kZeroSector, 2));
        QVERIFY(ReadBytes(image) == expected);
        QVERIFY(rig.Snap().list);
        QCOMPARE(rig.Snap().buttons, 5);
        QVERIFY(rig.Idle());

        // An image that has gone: every operation says so and the window stays usable.
        std::filesystem::remove(image);
        WritePatternFile(rig.dir / "source", 3, 2);
        const std::pair<const char*, QString> attempts[] = {{"cmdBackup", Q(rig.dir / "b.bak")},
                                                            {"cmdRestore", Q(rig.dir / "source")},
                                                            {"cmdReplace", Q(rig.dir / "source")},
                                                            {"cmdRipAll", QString()}};
        for (const auto& [button, chosen] : attempts) {
            rig.dialogs->calls.clear();
            if (!chosen.isEmpty()) rig.dialogs->AnswerFile(chosen);
            rig.Click(button);
            error = rig.OnlyError();
            QVERIFY2(error.contains(Q(image)) && error.contains("No such file or directory"),
                     qPrintable(error));
            QVERIFY2(rig.Idle(), button);
            QCOMPARE(rig.Snap().buttons, 5);
        }
        QVERIFY(!std::filesystem::exists(image));
        QVERIFY(!std::filesystem::exists(rig.dir / "b.bak"));
    }
};

QTEST_MAIN(Form1ImageOps)
#include "form1_image_ops_test.moc"
