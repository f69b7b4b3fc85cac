// The run state of the window: opening files in every order, the enabling rules, selection,
// Close All, the XA option, About, Exit, and the type change with its one-time caution.
#include <QStandardPaths>
#include <QTest>
#include <QWindow>
#include <functional>

#include "base/program_version.h"
#include "window_rig.h"

using namespace vorlix::window::test;
using vorlix::test::WritePatternFile;

namespace {

const QStringList kNoDetails = {"", "", "", "", ""};
const QStringList kItems = {"10:20:10", "30:40:99", "7:3:1"};
const QStringList kFirst = {"10", "20", "11", "XA", "10"};

// The list shows `items`. With both files open the first entry is selected, shown and can be acted
// on; otherwise nothing in the list can be selected and nothing refers to an entry.
void CheckState(const WindowRig& rig, bool both, const QStringList& items,
                const QStringList& first = kNoDetails) {
    QCOMPARE(rig.Items(), items);
    const Snapshot s = rig.Snap();
    QCOMPARE(s.list, both);
    QCOMPARE(s.row, both ? 0 : -1);
    QCOMPARE(rig.List()->selectedItems().size(), both ? 1 : 0);
    QCOMPARE(s.buttons, both ? 5 : 0);
    QCOMPARE(s.type_box, both);
    QCOMPARE(rig.Details(), first);
    QVERIFY(rig.Idle());
}

void CheckClosed(const WindowRig& rig) {
    CheckState(rig, false, {});
    QVERIFY(rig.form->listFilePath().isEmpty() && rig.form->imageFilePath().isEmpty());
}

}  // namespace

class Form1States : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // List then image and image then list end alike, also from the command line; cancelling both
    // dialogs in any state, or a list that cannot be read, changes nothing.
    void openingInEitherOrderOrCancellingIt() {
        for (bool list_first : {true, false}) {
            WindowRig rig;
            const auto unchanged = [&rig](const std::function<void()>& command) {
                const Snapshot before = rig.Snap();
                const QStringList shown = rig.Shown(), asked = rig.dialogs->asked;
                command();
                QVERIFY(rig.Snap() == before);
                QCOMPARE(rig.Shown(), shown);
                rig.dialogs->asked = asked;  // the checks below read the opening dialogs
            };
            const auto cancel_both = [&rig] {
                rig.OpenList({});
                rig.OpenImage({});
            };
            CheckClosed(rig);
            unchanged(cancel_both);
            const auto list = rig.WriteList("a.klv", kItems);
            const auto image = rig.dir / "game.bin";
            list_first ? rig.OpenList(list) : rig.OpenImage(image);
            CheckState(rig, false, list_first ? kItems : QStringList());
            unchanged(cancel_both);
            list_first ? rig.OpenImage(image) : rig.OpenList(list);
            CheckState(rig, true, kItems, kFirst);
            QCOMPARE(rig.form->listFilePath(), Q(list));
            QCOMPARE(rig.form->imageFilePath(), Q(image));

            const QStringList& asked = rig.dialogs->asked;
            QVERIFY(asked[0].startsWith("open Select File:  | "));
            QVERIFY(asked[list_first ? 0 : 1].contains("|*.klv;*.vlx|"));
            QVERIFY(asked[list_first ? 1 : 0].contains("|*.bin|"));
            // The second dialog opens where the first file was chosen.
            QVERIFY(!asked[0].contains(" in ") && asked[1].endsWith(" in " + Q(rig.dir.path())));

            rig.ClickRow(1);
            unchanged(cancel_both);
            const auto missing = rig.dir / "missing.klv";
            unchanged([&] { rig.OpenList(missing); });
            QVERIFY(rig.ShowedError({Q(missing), "No such file or directory"}));
        }
        // Files named on the command line open as from the menu, the image known by its suffix.
        WindowRig rig;
        const auto list = rig.WriteList("a.vlx", kItems), cue = rig.dir / "GAME.CUE";
        rig.form->OpenFiles({Q(cue), Q(list)});
        CheckState(rig, true, kItems, kFirst);
        QCOMPARE(rig.form->imageFilePath(), Q(cue));
        QVERIFY(rig.dialogs->asked.isEmpty());
    }

    // Selecting shows the entry; a type change rewrites only the list item, cautions once and
    // lives until the list is read again; reopening either file selects the first entry again.
    void selectingChangingTheTypeAndReopening() {
        WindowRig rig;
        rig.OpenBoth(kItems, rig.dir / "a.bin");
        rig.ClickRow(1);
        QCOMPARE(rig.Details(), QStringList({"30", "40", "11", "DUM", "99"}));
        rig.List()->setFocus();
        QTest::keyClick(rig.List(), Qt::Key_Down);
        QCOMPARE(rig.Details(), QStringList({"7", "3", "-3", "ST1", "1"}));

        rig.ClickRow(0);
        QLineEdit* box = rig.TypeBox();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("073"));  // two typed characters at most
        rig.Click("cmdChange");
        QCOMPARE(box->text(), QStringLiteral("7"));
        QCOMPARE(rig.Items(), QStringList({"10:20:7", "30:40:99", "7:3:1"}));
        QCOMPARE(rig.Text("lblType"), QStringLiteral("XA"));  // until selected again
        QVERIFY(rig.dialogs->messages.value(0).startsWith("critical Caution: Warning, changing"));
        QCOMPARE(rig.dialogs->messages.value(0).count("\r\n"), 3);
        rig.ChangeType(QStringLiteral("99"));
        QCOMPARE(rig.dialogs->messages.size(), 1);

        // Reopening either file selects the first entry again, even when it is already current.
        rig.OpenImage(rig.dir / "b.bin");
        QCOMPARE(rig.form->imageFilePath(), Q(rig.dir / "b.bin"));
        CheckState(rig, true, {"10:20:99", "30:40:99", "7:3:1"}, {"10", "20", "11", "DUM", "99"});
        const auto list = rig.WriteList("b.vlx", {"40:49:020"});
        const Bytes on_disk = vorlix::test::ReadBytes(list);
        rig.OpenList(list);
        CheckState(rig, true, {"40:49:020"}, {"40", "49", "10", "???", "020"});

        // A longer code shown for an entry stays whole; typing can only shorten it.
        box->end(false);
        QTest::keyClicks(box, QStringLiteral("5"));
        QCOMPARE(box->text(), QStringLiteral("020"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QStringLiteral("98"));
        QCOMPARE(box->text(), QStringLiteral("02"));
        rig.ChangeType(QStringLiteral("99"));
        QCOMPARE(rig.Items(), QStringList({"40:49:99"}));
        QVERIFY(vorlix::test::ReadBytes(list) == on_disk);

        // A list without entries leaves nothing to act on; the first list was never rewritten.
        rig.OpenList(rig.WriteList("empty.klv", {}));
        const Snapshot s = rig.Snap();
        QVERIFY(s.list && !s.type_box && s.buttons == 0 && s.row == -1);
        QCOMPARE(rig.Details(), kNoDetails);
        rig.OpenList(rig.dir / "list.klv");
        CheckState(rig, true, kItems, kFirst);
    }

    // The keyboard goes where the user left it: to the list once both files are open, back to the
    // button after its operation; the focused list shows its focus frame; a click, Space or
    // Enter on the entry already selected shows it again (after a type change, the new type).
    void focusFollowsTheUserAndTheSelectedEntryCanBeShownAgain() {
        WindowRig rig;
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QWindow* window = rig.form->windowHandle();
        WritePatternFile(rig.dir / "g.bin", 1, 50);
        std::filesystem::create_directory(rig.blanks);
        WritePatternFile(rig.blanks / "blank.XA", 8, 1);
        rig.OpenBoth(kItems, rig.dir / "g.bin");
        QVERIFY(rig.List()->hasFocus());
        QTest::keyClick(window, Qt::Key_Down);
        QCOMPARE(rig.Details(), QStringList({"30", "40", "11", "DUM", "99"}));

        // The focus frame runs along the list's inner edge, below the entries too.
        const QRect viewport = rig.List()->viewport()->geometry();
        const auto edge = [&] {
            return rig.List()->grab().toImage().copy(viewport.left(), viewport.bottom() - 20, 1,
                                                     10);
        };
        const QImage focused = edge();
        rig.Get("cmdChange")->setFocus();
        QVERIFY(focused != edge());

        for (const char* button : {"cmdBackup", "cmdRestore", "cmdReplace"}) {
            rig.dialogs->AnswerFile(Q(rig.dir / "saved.bak"));
            rig.dialogs->AnswerQuestion(true);
            rig.Click(button);
            QVERIFY2(rig.Get(button)->hasFocus(), button);
        }
        rig.Click("cmdRipAll");
        QVERIFY(rig.Get("cmdRipAll")->hasFocus());
        QCOMPARE(rig.dialogs->messages, QStringList{"exclamation Info: Rip Complete"});

        rig.ClickRow(0);
        rig.ChangeType(QStringLiteral("20"));
        rig.dialogs->messages.clear();
        QCOMPARE(rig.Text("lblType"), QStringLiteral("XA"));
        rig.ClickRow(0);
        QCOMPARE(rig.Details(), QStringList({"10", "20", "11", "TIM", "20"}));
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
            rig.ChangeType(key == Qt::Key_Space ? QStringLiteral("99") : QStringLiteral("1"));
            rig.List()->setFocus();
            QTest::keyClick(window, key);
            QCOMPARE(rig.Text("lblType"), key == Qt::Key_Space ? "DUM" : "ST1");
        }
        QVERIFY(rig.dialogs->messages.isEmpty());
    }

    // Close All in every state returns to nothing open and keeps the run's options and its one
    // caution; About shows the name and version; Ctrl+X ends the program.
    void closeAllKeepsTheRunsOptionsAboutAndExit() {
        WindowRig rig;
        for (int opened : {0, 1, 2}) {
            if (opened == 1) rig.OpenList(rig.WriteList("a.klv", {"1:2:10"}));
            if (opened == 2) rig.OpenImage(rig.dir / "g.bin");
            rig.Trigger("mnuFileClose");
            CheckClosed(rig);
        }
        rig.OpenBoth(kItems, rig.dir / "g.bin");
        rig.ClickRow(1);
        rig.Click("cmdChange");  // the caution, once
        const char* const options[] = {"mnuOptionsXA", "mnuOptionsValid", "mnuOptionsKeep",
                                       "mnuOptionsSilence"};
        for (const char* option : options) rig.Trigger(option);
        rig.Trigger("mnuFileClose");
        CheckClosed(rig);
        for (const char* option : options)  // XA starts on, the others off
            QVERIFY2(rig.Get<QAction>(option)->isChecked() == (option != options[0]), option);
        QVERIFY(std::filesystem::exists(rig.dir / "list.klv"));
        rig.OpenBoth(kItems, rig.dir / "g.bin");
        CheckState(rig, true, kItems, kFirst);
        rig.Click("cmdChange");
        QCOMPARE(rig.dialogs->messages.size(), 1);

        rig.Trigger("mnuAbout");
        const QStringList lines = rig.dialogs->messages.back().split("\r\n");
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("information About: VORLIX"));
        QCOMPARE(lines[1], QString::fromStdString(vorlix::VersionLine()));
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QTest::keyClick(rig.form.get(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(!rig.form->isVisible());
    }
};

QTEST_MAIN(Form1States)
#include "form1_states_test.moc"
