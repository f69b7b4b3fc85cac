// The window as the user first sees it: controls, positions, captions that fit, menu, tab order.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>
#include <cstdlib>

#include "support/synthetic.h"
#include "window_rig.h"

using namespace vorlix::window::test;

class Form1Look : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void everyControlHasItsNamePlaceCaptionAndStartState() {
        WindowRig rig;
        struct Expected {
            const char* name;
            const char* kind;
            const char* container;
            QString caption;
            QRect rect;
            bool enabled;
        };
        const Expected table[] = {
            {"lstKLV", "QListWidget", "frmAll", "", {8, 8, 153, 355}, false},
            {"Frame1", "QGroupBox", "frmAll", "Info", {168, 8, 177, 89}, true},
            {"Label1", "QLabel", "Frame1", "Start Sector:", {8, 16, 65, 17}, true},
            {"lblStart", "QLabel", "Frame1", "", {72, 16, 49, 17}, true},
            {"Label2", "QLabel", "Frame1", "End Sector:", {8, 40, 65, 17}, true},
            {"lblEnd", "QLabel", "Frame1", "", {72, 40, 49, 17}, true},
            {"Label3", "QLabel", "Frame1", "Length:", {8, 64, 41, 17}, true},
            {"lblLength", "QLabel", "Frame1", "", {56, 64, 41, 17}, true},
            {"Label4", "QLabel", "Frame1", "Type:", {104, 64, 33, 17}, true},
            {"lblType", "QLabel", "Frame1", "", {144, 64, 25, 17}, true},
            {"cmdReplace", "QPushButton", "frmAll", "Replace File", {168, 112, 81, 25}, false},
            {"cmdBackup", "QPushButton", "frmAll", "Backup File", {264, 112, 81, 25}, false},
            {"cmdRipAll", "QPushButton", "frmAll", "Rip All", {168, 144, 81, 25}, false},
            {"cmdRestore", "QPushButton", "frmAll", "Restore File", {264, 144, 81, 25}, false},
            {"cmdChange", "QPushButton", "frmAll", "Change Type", {168, 176, 81, 25}, false},
            {"txtChange", "QLineEdit", "frmAll", "", {248, 176, 25, 25}, false},
            {"lblStatus", "QLabel", "frmAll", "Idle", {176, 344, 169, 17}, true},
        };
        for (const Expected& e : table) {
            QWidget* w = rig.Widget(e.name);
            QVERIFY2(w != nullptr, e.name);
            QVERIFY2(w->inherits(e.kind), e.name);
            QCOMPARE(w->parentWidget()->objectName(), QString::fromLatin1(e.container));
            QCOMPARE(w->geometry(), e.rect);
            QCOMPARE(w->isEnabled(), e.enabled);
            QString caption;
            if (auto* l = qobject_cast<QLabel*>(w)) caption = l->text();
            if (auto* b = qobject_cast<QPushButton*>(w)) caption = b->text();
            if (auto* g = qobject_cast<QGroupBox*>(w)) caption = g->title();
            if (auto* t = qobject_cast<QLineEdit*>(w)) caption = t->text();
            QCOMPARE(caption, e.caption);
        }
        QCOMPARE(rig.Label("lblStatus")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QCOMPARE(rig.List()->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(rig.List()->count(), 0);
    }

    void theClientAreaIsFixedAndTheWindowCarriesTitleAndIcon() {
        WindowRig rig;
        QWidget* frm_all = rig.Widget("frmAll");
        QCOMPARE(rig.form->centralWidget(), frm_all);
        QCOMPARE(frm_all->size(), QSize(353, 369));
        QCOMPARE(frm_all->pos(), QPoint(0, rig.MenuBar()->height()));
        QCOMPARE(rig.form->minimumSize(), rig.form->maximumSize());
        QCOMPARE(rig.form->height(), 369 + rig.MenuBar()->height());
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("PSX quillmar"));
        const QList<QSize> sizes = rig.form->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)));
        QVERIFY(sizes.contains(QSize(32, 32)));
        // A picture, not a blank square: the corners are clear and the ring is coloured.
        const QImage small = rig.form->windowIcon().pixmap(QSize(16, 16)).toImage();
        QCOMPARE(qAlpha(small.pixel(0, 0)), 0);
        QVERIFY(qAlpha(small.pixel(4, 8)) > 0);
        QVERIFY(small.pixelColor(4, 8) != small.pixelColor(11, 8));
    }

    void theMenuBarHasItsCaptionsAccessKeysShortcutAndCheckItem() {
        WindowRig rig;
        const QList<QAction*> top = rig.MenuBar()->actions();
        QCOMPARE(top.size(), 3);
        QCOMPARE(top[0]->text(), QStringLiteral("&File"));
        QCOMPARE(top[1]->text(), QStringLiteral("&Options"));
        QCOMPARE(top[2]->text(), QStringLiteral("&About"));
        QCOMPARE(top[2], rig.Action("mnuAbout"));
        QVERIFY(top[2]->menu() == nullptr);

        QStringList file;
        for (QAction* a : top[0]->menu()->actions())
            file << (a->isSeparator() ? QStringLiteral("-") + a->objectName()
                                      : a->objectName() + QLatin1Char('=') + a->text());
        QCOMPARE(file, QStringList({"mnuFileKLV=Open &KLV/VLX data", "mnuFileBIN=Open &BIN File",
                                    "-mnuFileDiv1", "mnuFileClose=&Close All", "-mnuFileDiv2",
                                    "mnuFileExit=E&xit"}));
        QCOMPARE(rig.Action("mnuFileExit")->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
        QCOMPARE(top[0]->menu()->objectName(), QStringLiteral("mnuFile"));
        QCOMPARE(top[1]->menu()->objectName(), QStringLiteral("mnuOptions"));

        const QList<QAction*> options = top[1]->menu()->actions();
        QCOMPARE(options.size(), 1);
        QCOMPARE(options[0], rig.Action("mnuOptionsXA"));
        QCOMPARE(options[0]->text(), QStringLiteral("Preserve &XA Headers"));
        QVERIFY(options[0]->isCheckable());
        QVERIFY(options[0]->isChecked());
    }

    void focusMovesThroughTheEntryControlsInOrder() {
        WindowRig rig;
        rig.OpenBoth({"0:1:10"}, rig.dir / "image.bin");
        QStringList order;
        QWidget* w = rig.List();
        do {
            if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
                rig.Widget("frmAll")->isAncestorOf(w))
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != rig.List());
        QCOMPARE(order, QStringList({"lstKLV", "cmdReplace", "cmdBackup", "cmdRestore", "cmdRipAll",
                                     "cmdChange", "txtChange"}));

        // And the Tab key follows it.
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        rig.List()->setFocus();
        QStringList tabbed;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            tabbed << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(tabbed, order.mid(1));
    }

    // Every caption, and the widest value each details label can show, fits its box whole.
    void everyCaptionFitsItsControl() {
        WindowRig rig;
        vorlix::test::WriteText(rig.dir / "image.bin", "");
        rig.OpenBoth({"913045:913045:99", "0:913045:40"}, rig.dir / "image.bin");
        QStringList clipped;
        const auto fits = [&](QWidget* w, const QString& text, int room) {
            const QFontMetrics m = w->fontMetrics();
            if (m.horizontalAdvance(text) > room || m.height() > w->height())
                clipped << w->objectName() + ": " + text;
        };
        for (const char* name : {"Label1", "Label2", "Label3", "Label4", "lblStart", "lblEnd",
                                 "lblLength", "lblType", "lblStatus"})
            fits(rig.Label(name), rig.Label(name)->text(), rig.Label(name)->contentsRect().width());
        rig.ClickRow(1);
        for (const char* name : {"lblEnd", "lblLength", "lblType"})
            fits(rig.Label(name), rig.Label(name)->text(), rig.Label(name)->width());
        for (const char* type : {"ST0", "ST1", "ST2", "XA", "TIM", "VA1", "VA2", "SEQ", "???"})
            fits(rig.Label("lblType"), QLatin1String(type), rig.Label("lblType")->width());
        for (const char* status :
             {"Backup in progress", "Restore in progress", "Replace in progress"})
            fits(rig.Label("lblStatus"), QLatin1String(status), rig.Label("lblStatus")->width());
        QStyle* style = rig.form->style();
        const int margins = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) +
                                 style->pixelMetric(QStyle::PM_DefaultFrameWidth));
        for (const char* name : {"cmdReplace", "cmdBackup", "cmdRipAll", "cmdRestore", "cmdChange"})
            fits(rig.Button(name), rig.Button(name)->text(), rig.Button(name)->width() - margins);
        auto* frame = qobject_cast<QGroupBox*>(rig.Widget("Frame1"));
        fits(frame, frame->title(), frame->width() - 16);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));

        // Set VORLIX_SCREENSHOT to a file name to see the window as these checks left it.
        if (const char* shot = std::getenv("VORLIX_SCREENSHOT")) {
            rig.ClickRow(0);
            QVERIFY(rig.form->grab().save(QString::fromLocal8Bit(shot)));
        }
    }
};

QTEST_MAIN(Form1Look)
#include "form1_look_test.moc"
