// The run state of the window: opening files in every order, the enabling rules, selection,
// Close All, the XA option, About, Exit, and the type change with its one-time caution.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <tuple>

#include "support/synthetic.h"
#include "window_rig.h"

using namespace vorlix::window::test;

namespace {

const QStringList kNoDetails = {"", "", "", "", ""};

}  // namespace

class Form1States : public QObject {
    Q_OBJECT

    // The rows of the state table, checked as a whole.
    static void CheckNothingOpen(const WindowRig& rig) {
        QVERIFY(rig.form->listFilePath().isEmpty());
        QVERIFY(rig.form->imageFilePath().isEmpty());
        QCOMPARE(rig.List()->count(), 0);
        const Snapshot s = rig.Snap();
        QVERIFY(!s.list);
        QVERIFY(!s.AnyButton());
        QVERIFY(!s.type_box);
        QCOMPARE(rig.Details(), kNoDetails);
    }
    static void CheckListOnly(const WindowRig& rig, const QStringList& items) {
        QVERIFY(!rig.form->listFilePath().isEmpty());
        QVERIFY(rig.form->imageFilePath().isEmpty());
        QCOMPARE(rig.Items(), items);
        const Snapshot s = rig.Snap();
        QVERIFY(!s.list);
        QCOMPARE(s.row, -1);
        QVERIFY(rig.List()->selectedItems().isEmpty());
        QVERIFY(!s.AnyButton());
        QVERIFY(!s.type_box);
    }
    static void CheckBothOpen(const WindowRig& rig, const QStringList& items,
                              const QStringList& details) {
        QCOMPARE(rig.Items(), items);
        const Snapshot s = rig.Snap();
        QVERIFY(s.list);
        QCOMPARE(s.row, 0);
        QVERIFY(rig.List()->item(0)->isSelected());
        QVERIFY(s.AllButtons());
        QVERIFY(s.type_box);
        QCOMPARE(rig.Details(), details);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void listThenImageAndImageThenListEndAlike() {
        const QStringList items = {"10:20:10", "0:0:99", "7:3:1"};
        const QStringList first = {"10", "20", "11", "XA", "10"};
        for (bool list_first : {true, false}) {
            WindowRig rig;
            CheckNothingOpen(rig);
            const auto list = rig.WriteList("a.klv", {"10:20:10", "0:0:99", "7:3:1"});
            const auto image = rig.dir / "game.bin";
            if (list_first) {
                rig.OpenList(list);
                CheckListOnly(rig, items);
                QCOMPARE(rig.form->listFilePath(), Q(list));
            } else {
                rig.OpenImage(image);
                QCOMPARE(rig.form->imageFilePath(), Q(image));
                QCOMPARE(rig.List()->count(), 0);
                QVERIFY(!rig.Snap().list);
                QVERIFY(!rig.Snap().AnyButton());
            }
            QCOMPARE(rig.Details(), kNoDetails);
            if (list_first)
                rig.OpenImage(image);
            else
                rig.OpenList(list);
            CheckBothOpen(rig, items, first);
            QCOMPARE(rig.form->listFilePath(), Q(list));
            QCOMPARE(rig.form->imageFilePath(), Q(image));
            QVERIFY(rig.Idle());
            QVERIFY(rig.dialogs->unexpected.isEmpty());
        }
    }

    void theOpenDialogsCarryTheirTitleAndFilters() {
        WindowRig rig;
        rig.OpenList(rig.WriteList("a.klv", {"1:2:3"}));
        rig.OpenImage(rig.dir / "game.bin");
        QCOMPARE(rig.dialogs->calls.size(), size_t{2});
        const DialogCall& list = rig.dialogs->calls[0];
        QCOMPARE(list.kind, DialogCall::Open);
        QCOMPARE(list.title, QStringLiteral("Select File"));
        QCOMPARE(list.file_name, QString());
        QCOMPARE(list.filter, QStringLiteral("Kelvane / VORLIX files (*.klv,*.vlx)|*.klv;*.vlx|"
                                             "All Files (*.*)|*.*"));
        const DialogCall& image = rig.dialogs->calls[1];
        QCOMPARE(image.kind, DialogCall::Open);
        QCOMPARE(image.title, QStringLiteral("Select File"));
        QCOMPARE(image.file_name, QString());
        QCOMPARE(image.filter,
                 QStringLiteral("PSX CD Image file (*.bin)|*.bin|All Files (*.*)|*.*"));
    }

    void cancellingEitherDialogChangesNothingInAnyState() {
        WindowRig rig;
        // Nothing open.
        rig.dialogs->AnswerFile(QString());
        rig.Trigger("mnuFileKLV");
        rig.dialogs->AnswerFile(QString());
        rig.Trigger("mnuFileBIN");
        CheckNothingOpen(rig);
        // List only.
        const auto list = rig.WriteList("a.klv", {"5:9:1", "6:7:2"});
        rig.OpenList(list);
        rig.dialogs->AnswerFile(QString());
        rig.Trigger("mnuFileKLV");
        rig.dialogs->AnswerFile(QString());
        rig.Trigger("mnuFileBIN");
        CheckListOnly(rig, {"5:9:1", "6:7:2"});
        // Both open, second entry selected: the selection and details stay too.
        rig.OpenImage(rig.dir / "game.bin");
        rig.ClickRow(1);
        const QStringList shown = rig.Details();
        rig.dialogs->AnswerFile(QString());
        rig.Trigger("mnuFileKLV");
        rig.dialogs->AnswerFile(QString());
        rig.Trigger("mnuFileBIN");
        QCOMPARE(rig.form->listFilePath(), Q(list));
        QCOMPARE(rig.form->imageFilePath(), Q(rig.dir / "game.bin"));
        QCOMPARE(rig.List()->currentRow(), 1);
        QCOMPARE(rig.Details(), shown);
        QVERIFY(rig.Snap().AllButtons());
        QVERIFY(rig.dialogs->Messages().empty());
    }

    void reopeningEitherFileWhileBothAreOpenSelectsTheFirstEntryAgain() {
        WindowRig rig;
        rig.OpenBoth({"1:2:10", "3:4:99", "5:6:0"}, rig.dir / "a.bin");
        rig.ClickRow(2);
        QCOMPARE(rig.Details(), QStringList({"5", "6", "2", "ST0", "0"}));

        rig.OpenImage(rig.dir / "b.bin");
        QCOMPARE(rig.form->imageFilePath(), Q(rig.dir / "b.bin"));
        CheckBothOpen(rig, {"1:2:10", "3:4:99", "5:6:0"}, {"1", "2", "2", "XA", "10"});

        // A type change lives only until the list is read again.
        rig.Click("cmdChange");
        QCOMPARE(rig.Items()[0], QStringLiteral("1:2:10"));
        rig.TypeBox()->setText(QStringLiteral("99"));
        rig.Click("cmdChange");
        QCOMPARE(rig.Items()[0], QStringLiteral("1:2:99"));
        rig.OpenList(rig.WriteList("b.vlx", {"40:49:20", "50:50:32"}));
        CheckBothOpen(rig, {"40:49:20", "50:50:32"}, {"40", "49", "10", "TIM", "20"});
        rig.OpenList(rig.dir / "list.klv");
        CheckBothOpen(rig, {"1:2:10", "3:4:99", "5:6:0"}, {"1", "2", "2", "XA", "10"});
    }

    void theUsersSelectionByMouseOrKeyboardShowsTheEntry() {
        WindowRig rig;
        rig.OpenBoth({"10:20:10", "0:0:99", "7:3:1"}, rig.dir / "g.bin");
        rig.ClickRow(1);
        QCOMPARE(rig.Details(), QStringList({"0", "0", "1", "DUM", "99"}));
        rig.List()->setFocus();
        QTest::keyClick(rig.List(), Qt::Key_Down);
        QCOMPARE(rig.Details(), QStringList({"7", "3", "-3", "ST1", "1"}));
        QVERIFY(rig.Snap().AllButtons());
    }

    void aListWithoutEntriesLeavesNothingToActOn() {
        // Opened while an image and a list with entries are open.
        WindowRig rig;
        rig.OpenBoth({"10:20:10"}, rig.dir / "g.bin");
        rig.OpenList(rig.WriteList("empty.klv", {}));
        QCOMPARE(rig.List()->count(), 0);
        Snapshot s = rig.Snap();
        QVERIFY(s.list);
        QCOMPARE(s.row, -1);
        QVERIFY(!s.AnyButton());
        QVERIFY(!s.type_box);
        QCOMPARE(rig.Details(), kNoDetails);

        // An image opened while such a list is open.
        WindowRig other;
        other.OpenList(other.WriteList("empty.klv", {}));
        other.OpenImage(other.dir / "g.bin");
        s = other.Snap();
        QVERIFY(s.list);
        QVERIFY(!s.AnyButton());
        QCOMPARE(other.Details(), kNoDetails);
        QVERIFY(other.dialogs->Messages().empty());
    }

    void aListThatCannotBeReadIsRefusedAndTheOpenListStays() {
        WindowRig rig;
        rig.OpenBoth({"10:20:10", "30:40:99"}, rig.dir / "g.bin");
        rig.ClickRow(1);
        const QString open_list = rig.form->listFilePath();
        const auto missing = rig.dir / "missing.klv";
        rig.OpenList(missing);
        const auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Critical);
        QVERIFY2(messages[0].text.contains(Q(missing)), qPrintable(messages[0].text));
        QVERIFY2(messages[0].text.contains(QStringLiteral("No such file or directory")),
                 qPrintable(messages[0].text));
        QVERIFY(!std::filesystem::exists(missing));
        QCOMPARE(rig.form->listFilePath(), open_list);
        QCOMPARE(rig.Items(), QStringList({"10:20:10", "30:40:99"}));
        QCOMPARE(rig.List()->currentRow(), 1);
        QCOMPARE(rig.Details(), QStringList({"30", "40", "11", "DUM", "99"}));
        QVERIFY(rig.Idle());

        // A directory is no list either, and with nothing open nothing becomes open.
        WindowRig fresh;
        fresh.OpenList(fresh.dir.path());
        QCOMPARE(fresh.dialogs->Messages().size(), size_t{1});
        QVERIFY(fresh.form->listFilePath().isEmpty());
        CheckNothingOpen(fresh);
    }

    void closeAllReturnsToNothingOpenFromEveryState() {
        WindowRig rig;
        rig.Trigger("mnuFileClose");  // with nothing open: unchanged
        CheckNothingOpen(rig);
        QCOMPARE(rig.Status(), QStringLiteral("Idle"));

        rig.OpenList(rig.WriteList("a.klv", {"1:2:10"}));
        rig.Trigger("mnuFileClose");
        CheckNothingOpen(rig);
        rig.OpenImage(rig.dir / "g.bin");
        rig.Trigger("mnuFileClose");
        CheckNothingOpen(rig);

        rig.OpenBoth({"10:20:10", "0:0:99"}, rig.dir / "g.bin");
        rig.Click("cmdChange");  // the caution, once
        rig.Trigger("mnuOptionsXA");
        rig.Trigger("mnuFileClose");
        CheckNothingOpen(rig);
        QVERIFY(rig.form->typeWarningShown());
        QVERIFY(!rig.Action("mnuOptionsXA")->isChecked());
        QVERIFY(std::filesystem::exists(rig.dir / "list.klv"));

        // Open again: the first entry is selected, and the caution is not shown again.
        rig.dialogs->Forget();
        rig.OpenBoth({"10:20:10", "0:0:99"}, rig.dir / "g.bin");
        CheckBothOpen(rig, {"10:20:10", "0:0:99"}, {"10", "20", "11", "XA", "10"});
        rig.Click("cmdChange");
        QVERIFY(rig.dialogs->Messages().empty());
    }

    void changeTypeRewritesOnlyTheListItemAndCautionsOnce() {
        WindowRig rig;
        const auto list = rig.WriteList("a.klv", {"10:20:10", "1:2:", "1:2", "5", ""});
        const auto on_disk = vorlix::test::ReadBytes(list);
        rig.OpenList(list);
        rig.OpenImage(rig.dir / "g.bin");

        QTest::keyClick(rig.TypeBox(), Qt::Key_Backspace);
        QTest::keyClick(rig.TypeBox(), Qt::Key_Backspace);
        QTest::keyClicks(rig.TypeBox(), QStringLiteral("99"));
        rig.Click("cmdChange");
        const auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].title, QStringLiteral("Caution"));
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Critical);
        QCOMPARE(messages[0].text.split(QStringLiteral("\r\n")),
                 QStringList({"Warning, changing the file type definition set down by Kelvane "
                              "may cause",
                              "your game to cease functioning after ripping. Proceed at your own "
                              "risk.",
                              "These changes will only be saved for this session, the original "
                              "KLV file will not be edited.",
                              "This message will not appear again until you restart VORLIX."}));
        QVERIFY(rig.form->typeWarningShown());
        QCOMPARE(rig.Items()[0], QStringLiteral("10:20:99"));
        QCOMPARE(rig.List()->currentRow(), 0);
        QCOMPARE(rig.Label("lblType")->text(), QStringLiteral("XA"));  // until selected again
        rig.ClickRow(1);
        rig.ClickRow(0);
        QCOMPARE(rig.Label("lblType")->text(), QStringLiteral("DUM"));

        // The box is normalised and only the part after the last ":" changes.
        const std::tuple<int, QString, QString, QString> cases[] = {
            {0, "07", "7", "10:20:7"}, {2, "", "0", "1:0"}, {3, "1", "1", "1"}};
        for (const auto& [row, typed, box, item] : cases) {
            rig.ClickRow(row);
            rig.TypeBox()->selectAll();
            QTest::keyClick(rig.TypeBox(), Qt::Key_Delete);
            QTest::keyClicks(rig.TypeBox(), typed);
            rig.Click("cmdChange");
            QCOMPARE(rig.TypeBox()->text(), box);
            QCOMPARE(rig.Items()[row], item);
            QCOMPARE(rig.List()->currentRow(), row);
        }
        QCOMPARE(rig.dialogs->Messages().size(), size_t{1});
        QCOMPARE(vorlix::test::ReadBytes(list), on_disk);
    }

    void theTypeBoxTakesAtMostTwoTypedCharacters() {
        WindowRig rig;
        rig.OpenBoth({"1:2:10", "1:2:010"}, rig.dir / "g.bin");
        QLineEdit* box = rig.TypeBox();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("123"));
        QCOMPARE(box->text(), QStringLiteral("12"));
        // A longer code shown for an entry stays whole; typing cannot lengthen it, only shorten.
        rig.ClickRow(1);
        QCOMPARE(box->text(), QStringLiteral("010"));
        box->end(false);
        QTest::keyClicks(box, QStringLiteral("5"));
        QCOMPARE(box->text(), QStringLiteral("010"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, QStringLiteral("78"));
        QCOMPARE(box->text(), QStringLiteral("01"));
    }

    void theXaOptionToggles() {
        WindowRig rig;
        QAction* xa = rig.Action("mnuOptionsXA");
        QVERIFY(xa->isChecked());
        rig.Trigger("mnuOptionsXA");
        QVERIFY(!xa->isChecked());
        rig.Trigger("mnuOptionsXA");
        QVERIFY(xa->isChecked());
        QVERIFY(rig.dialogs->calls.empty());
    }

    void aboutShowsNameVersionAndCredit() {
        WindowRig rig;
        rig.Trigger("mnuAbout");
        const auto messages = rig.dialogs->Messages();
        QCOMPARE(messages.size(), size_t{1});
        QCOMPARE(messages[0].title, QStringLiteral("About"));
        QCOMPARE(messages[0].icon, vorlix::window::MessageIcon::Information);
        const QStringList lines = messages[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("VORLIX"));
        QCOMPARE(lines[1], QStringLiteral("Version: 1.05 Build: 09"));
        QVERIFY(!lines[2].trimmed().isEmpty());
        QVERIFY(!messages[0].text.contains(QStringLiteral("\n\n")));
    }

    void exitEndsTheProgramFromTheMenuAndByCtrlX() {
        {
            WindowRig rig;
            rig.OpenBoth({"1:2:10"}, rig.dir / "g.bin");
            rig.Trigger("mnuFileExit");
            QVERIFY(!rig.form->isVisible());
            QVERIFY(rig.dialogs->Messages().empty());
        }
        WindowRig rig;
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QTest::keyClick(rig.form.get(), Qt::Key_X, Qt::ControlModifier);
        QVERIFY(!rig.form->isVisible());
    }
};

QTEST_MAIN(Form1States)
#include "form1_states_test.moc"
