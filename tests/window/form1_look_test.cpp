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
            QWidget* w = rig.Get(e.name);
            QVERIFY2(w != nullptr && w->inherits(e.kind), e.name);
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
        QVERIFY(rig.Get("lblStatus")->property("alignment").toInt() & Qt::AlignHCenter);
        QCOMPARE(rig.List()->selectionMode(), QAbstractItemView::SingleSelection);

        // The client area is fixed below the menu bar; the window has its title and an icon.
        QWidget* frm_all = rig.Get("frmAll");
        const int menu_height = rig.form->menuBar()->height();
        QCOMPARE(rig.form->centralWidget(), frm_all);
        QCOMPARE(frm_all->geometry(), QRect(0, menu_height, 353, 369));
        QCOMPARE(rig.form->minimumSize(), rig.form->maximumSize());
        QCOMPARE(rig.form->height(), 369 + menu_height);
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("PSX quillmar"));
        const QList<QSize> sizes = rig.form->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)));
        // A picture, not a blank square: the corners are clear and the ring is coloured.
        const QImage small = rig.form->windowIcon().pixmap(QSize(16, 16)).toImage();
        QCOMPARE(qAlpha(small.pixel(0, 0)), 0);
        QVERIFY(qAlpha(small.pixel(4, 8)) > 0);
        QVERIFY(small.pixelColor(4, 8) != small.pixelColor(11, 8));
    }

    void theMenuBarHasItsCaptionsAccessKeysShortcutAndCheckItem() {
        WindowRig rig;
        QStringList menu;
        for (QAction* top : rig.form->menuBar()->actions()) {
            QMenu* sub = top->menu();
            menu << (sub ? sub->objectName() : top->objectName()) + '=' + top->text();
            for (QAction* a : sub ? sub->actions() : QList<QAction*>())
                menu << "  " + a->objectName() + (a->isSeparator() ? "-" : "=" + a->text());
        }
        QCOMPARE(menu, QStringList({"mnuFile=&File", "  mnuFileKLV=Open &KLV/VLX data",
                                    "  mnuFileBIN=Open &BIN File", "  mnuFileDiv1-",
                                    "  mnuFileClose=&Close All", "  mnuFileDiv2-",
                                    "  mnuFileExit=E&xit", "mnuOptions=&Options",
                                    "  mnuOptionsXA=Preserve &XA Headers", "mnuAbout=&About"}));
        QCOMPARE(rig.Get<QAction>("mnuFileExit")->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+X")));
        QVERIFY(rig.Get<QAction>("mnuOptionsXA")->isCheckable());
        QVERIFY(rig.Get<QAction>("mnuOptionsXA")->isChecked());
    }

    void focusMovesThroughTheEntryControlsInOrder() {
        WindowRig rig;
        rig.OpenBoth({"0:1:10"}, rig.dir / "image.bin");
        QStringList order;
        QWidget* w = rig.List();
        do {
            if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
                rig.Get("frmAll")->isAncestorOf(w))
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != rig.List());
        QCOMPARE(order, QStringList({"lstKLV", "cmdReplace", "cmdBackup", "cmdRestore", "cmdRipAll",
                                     "cmdChange", "txtChange"}));
    }

    // Every caption, and the widest value each details label or the status can show, fits whole.
    void everyCaptionFitsItsControl() {
        WindowRig rig;
        rig.OpenBoth({"913045:913045:99", "0:913045:40"}, rig.dir / "image.bin");
        QStringList clipped;
        const auto fits = [&](const char* name, const QString& text, int margins = 0) {
            QWidget* w = rig.Get(name);
            const QFontMetrics m = w->fontMetrics();
            if (m.horizontalAdvance(text) > w->width() - margins || m.height() > w->height())
                clipped << QLatin1String(name) + ": " + text;
        };
        for (const char* name : {"Label1", "Label2", "Label3", "Label4", "lblStart", "lblEnd",
                                 "lblLength", "lblType", "lblStatus"})
            fits(name, rig.Text(name));
        rig.ClickRow(1);
        for (const char* name : {"lblEnd", "lblLength"}) fits(name, rig.Text(name));
        for (const char* type : {"ST0", "ST1", "ST2", "XA", "TIM", "VA1", "VA2", "SEQ", "???"})
            fits("lblType", QLatin1String(type));
        for (const char* status :
             {"Backup in progress", "Restore in progress", "Replace in progress"})
            fits("lblStatus", QLatin1String(status));
        QStyle* style = rig.form->style();
        const int margins = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) +
                                 style->pixelMetric(QStyle::PM_DefaultFrameWidth));
        for (const char* name : {"cmdReplace", "cmdBackup", "cmdRipAll", "cmdRestore", "cmdChange"})
            fits(name, rig.Get(name)->property("text").toString(), margins);
        fits("Frame1", rig.Get("Frame1")->property("title").toString(), 16);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(Form1Look)
#include "form1_look_test.moc"
