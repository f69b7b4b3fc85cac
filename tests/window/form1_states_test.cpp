// The run state of the window: opening files in every order, the enabling rules, selection,
// Close All, the XA option, About, Exit, and the type change with its one-time caution.
#include <QStandardPaths>
#include <QTest>

#include "image/program_version.h"
#include "window_rig.h"

using namespace vorlix::window::test;

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
    QVERIFY(rig.form->listFilePath().isEmpty());
    QVERIFY(rig.form->imageFilePath().isEmpty());
}

// Everything a command could change without changing what is enabled.
QStringList Shown(const WindowRig& rig) {
    return rig.Details() + rig.Items() +
           QStringList{rig.form->listFilePath(), rig.form->imageFilePath()};
}

}  // namespace

class Form1States : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void listThenImageAndImageThenListEndAlike() {
        for (bool list_first : {true, false}) {
            WindowRig rig;
            CheckClosed(rig);
            const auto list = rig.WriteList("a.klv", kItems);
            const auto image = rig.dir / "game.bin";
            if (list_first)
                rig.OpenList(list);
            else
                rig.OpenImage(image);
            CheckState(rig, false, list_first ? kItems : QStringList());
            if (list_first)
                rig.OpenImage(image);
            else
                rig.OpenList(list);
            CheckState(rig, true, kItems, kFirst);
            QCOMPARE(rig.form->listFilePath(), Q(list));
            QCOMPARE(rig.form->imageFilePath(), Q(image));

            const auto& calls = rig.dialogs->calls;
            QCOMPARE(calls.size(), size_t{2});
            QCOMPARE(calls[0].title, QStringLiteral("Select File"));
            QVERIFY(calls[list_first ? 0 : 1].filter.contains(QStringLiteral("|*.klv;*.vlx|")));
            QVERIFY(calls[list_first ? 1 : 0].filter.contains(QStringLiteral("|*.bin|")));
        }
    }

    void cancellingEitherDialogChangesNothingInAnyState() {
        WindowRig rig;
        const auto cancel_both = [&rig] {
            const Snapshot before = rig.Snap();
            const QStringList shown = Shown(rig);
            rig.OpenList({});
            rig.OpenImage({});
            QVERIFY(rig.Snap() == before);
            QCOMPARE(Shown(rig), shown);
        };
        cancel_both();
        rig.OpenList(rig.WriteList("a.klv", {"5:9:1", "6:7:2"}));
        cancel_both();
        rig.OpenImage(rig.dir / "game.bin");
        rig.ClickRow(1);
        cancel_both();
        QCOMPARE(rig.List()->currentRow(), 1);
        QVERIFY(rig.dialogs->Messages().empty());
    }

    void selectingAndReopeningShowTheEntry() {
        WindowRig rig;
        rig.OpenBoth(kItems, rig.dir / "a.bin");
        rig.ClickRow(1);
        QCOMPARE(rig.Details(), QStringList({"30", "40", "11", "DUM", "99"}));
        rig.List()->setFocus();
        QTest::keyClick(rig.List(), Qt::Key_Down);
        QCOMPARE(rig.Details(), QStringList({"7", "3", "-3", "ST1", "1"}));

        // Reopening either file selects the first entry again, even when it is already current.
        rig.ClickRow(0);
        rig.ChangeType(QStringLiteral("99"));
        rig.OpenImage(rig.dir / "b.bin");
        QCOMPARE(rig.form->imageFilePath(), Q(rig.dir / "b.bin"));
        CheckState(rig, true, {"10:20:99", "30:40:99", "7:3:1"}, {"10", "20", "11", "DUM", "99"});
        // A type change lives only until the list is read again.
        rig.OpenList(rig.WriteList("b.vlx", {"40:49:20"}));
        CheckState(rig, true, {"40:49:20"}, {"40", "49", "10", "TIM", "20"});
        rig.OpenList(rig.dir / "list.klv");
        CheckState(rig, true, kItems, kFirst);
    }

    void aListWithoutEntriesLeavesNothingToActOn() {
        for (bool image_last : {false, true}) {
            WindowRig rig;
            if (!image_last) rig.OpenBoth({"10:20:10"}, rig.dir / "g.bin");
            rig.OpenList(rig.WriteList("empty.klv", {}));
            if (image_last) rig.OpenImage(rig.dir / "g.bin");
            const Snapshot s = rig.Snap();
            QVERIFY(s.list);
            QCOMPARE(s.row, -1);
            QCOMPARE(s.buttons, 0);
            QVERIFY(!s.type_box);
            QCOMPARE(rig.Details(), kNoDetails);
            QVERIFY(rig.dialogs->Messages().empty());
        }
    }

    void aListThatCannotBeReadIsRefusedAndTheOpenListStays() {
        WindowRig rig;
        rig.OpenBoth({"10:20:10", "30:40:99"}, rig.dir / "g.bin");
        rig.ClickRow(1);
        const QStringList shown = Shown(rig);
        const auto missing = rig.dir / "missing.klv";
        rig.OpenList(missing);
        const QString error = rig.OnlyError();
        QVERIFY2(error.contains(Q(missing)) && error.contains("No such file or directory"),
                 qPrintable(error));
        QVERIFY(!std::filesystem::exists(missing));
        QCOMPARE(Shown(rig), shown);
        QCOMPARE(rig.List()->currentRow(), 1);
        QVERIFY(rig.Idle());
    }

    void closeAllReturnsToNothingOpenAndKeepsTheRunsOptions() {
        WindowRig rig;
        QAction* xa = rig.Get<QAction>("mnuOptionsXA");
        for (int opened : {0, 1, 2}) {
            if (opened == 1) rig.OpenList(rig.WriteList("a.klv", {"1:2:10"}));
            if (opened == 2) rig.OpenImage(rig.dir / "g.bin");
            rig.Trigger("mnuFileClose");
            CheckClosed(rig);
        }

        rig.OpenBoth(kItems, rig.dir / "g.bin");
        rig.ClickRow(1);
        rig.Click("cmdChange");  // the caution, once
        rig.Trigger("mnuOptionsXA");
        QVERIFY(!xa->isChecked());
        rig.Trigger("mnuFileClose");
        CheckClosed(rig);
        QVERIFY(!xa->isChecked());
        QVERIFY(std::filesystem::exists(rig.dir / "list.klv"));
        rig.Trigger("mnuOptionsXA");
        QVERIFY(xa->isChecked());

        rig.dialogs->calls.clear();
        rig.OpenBoth(kItems, rig.dir / "g.bin");
        CheckState(rig, true, kItems, kFirst);
        rig.Click("cmdChange");
        QVERIFY(rig.form->typeWarningShown());
        QVERIFY(rig.dialogs->Messages().empty());
    }

    void changeTypeRewritesOnlyTheListItemAndCautionsOnce() {
        WindowRig rig;
        const auto list = rig.WriteList("a.klv", {"10:20:10", "30:40:010"});
        const Bytes on_disk = vorlix::test::ReadBytes(list);
        rig.OpenList(list);
        rig.OpenImage(rig.dir / "g.bin");
        QLineEdit* box = rig.TypeBox();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("073"));  // two typed characters at most
        rig.Click("cmdChange");
        QCOMPARE(box->text(), QStringLiteral("7"));
        QCOMPARE(rig.Items(), QStringList({"10:20:7", "30:40:010"}));
        QCOMPARE(rig.Text("lblType"), QStringLiteral("XA"));  // until selected again
        const auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].title, QStringLiteral("Caution"));
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Critical);
        QCOMPARE(messages[0].text.split(QStringLiteral("\r\n")).size(), 4);
        QVERIFY(rig.form->typeWarningShown());

        // A longer code shown for an entry stays whole; typing can only shorten it.
        rig.ClickRow(1);
        QCOMPARE(box->text(), QStringLiteral("010"));
        box->end(false);
        QTest::keyClicks(box, QStringLiteral("5"));
        QCOMPARE(box->text(), QStringLiteral("010"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QStringLiteral("98"));
        QCOMPARE(box->text(), QStringLiteral("01"));
        rig.ChangeType(QStringLiteral("99"));
        rig.ClickRow(0);
        rig.ClickRow(1);
        QCOMPARE(rig.Details(), QStringList({"30", "40", "11", "DUM", "99"}));
        QCOMPARE(rig.dialogs->Messages().size(), size_t{1});
        QVERIFY(vorlix::test::ReadBytes(list) == on_disk);
    }

    void aboutShowsNameAndVersionAndExitEndsTheProgramFromTheMenuOrByCtrlX() {
        for (bool by_key : {false, true}) {
            WindowRig rig;
            rig.Trigger("mnuAbout");
            const auto messages = rig.dialogs->Messages();
            QCOMPARE(messages.size(), size_t{1});
            QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Information);
            const QStringList lines = messages[0].text.split(QStringLiteral("\r\n"));
            QCOMPARE(lines.size(), 3);
            QCOMPARE(lines[1], QString::fromStdString(vorlix::VersionLine()));
            rig.form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
            if (by_key)
                QTest::keyClick(rig.form.get(), Qt::Key_X, Qt::ControlModifier);
            else
                rig.Trigger("mnuFileExit");
            QVERIFY(!rig.form->isVisible());
        }
    }
};

QTEST_MAIN(Form1States)
#include "form1_states_test.moc"
