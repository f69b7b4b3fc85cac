// The window as the user first sees it: controls, positions, captions that fit, tab order, menu.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

#include "window_rig.h"

using namespace vorlix::window::test;

class Form1Look : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void everyControlAndMenuHasItsNamePlaceCaptionStartStateAndRoom() {
        WindowRig rig;
        QStringList clipped;
        QStyle* style = rig.form->style();
        const int button_margins = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin) +
                                        style->pixelMetric(QStyle::PM_DefaultFrameWidth));
        const auto fits = [&](const char* name, const QString& text) {
            QWidget* w = rig.Get(name);
            const int margins = w->inherits("QPushButton") ? button_margins
                                : w->inherits("QGroupBox") ? 16
                                                           : 0;
            const QFontMetrics m = w->fontMetrics();
            if (m.horizontalAdvance(text) > w->width() - margins || m.height() > w->height())
                clipped << QLatin1String(name) + ": " + text;
        };
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
            const QString caption =
                w->property(w->inherits("QGroupBox") ? "title" : "text").toString();
            QCOMPARE(caption, e.caption);
            fits(e.name, caption);
        }
        QVERIFY(rig.Get("lblStatus")->property("alignment").toInt() & Qt::AlignHCenter);
        QCOMPARE(rig.List()->selectionMode(), QAbstractItemView::SingleSelection);

        // The client area is fixed below the menu bar; the window has its title and an icon.
        QWidget* frm_all = rig.Get("frmAll");
        const int menu_height = rig.form->menuBar()->height();
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

        // The widest values the details labels and the status show fit too.
        rig.OpenBoth({"913045:913045:99", "0:913045:40"}, rig.dir / "image.bin");
        for (const char* name : {"lblStart", "lblEnd", "lblLength"}) fits(name, rig.Text(name));
        rig.ClickRow(1);
        for (const char* name : {"lblEnd", "lblLength"}) fits(name, rig.Text(name));
        for (const char* type : {"ST0", "ST1", "ST2", "XA", "TIM", "VA1", "VA2", "SEQ", "???"})
            fits("lblType", QLatin1String(type));
        for (const char* status :
             {"Backup in progress", "Restore in progress", "Replace in progress"})
            fits("lblStatus", QLatin1String(status));
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));

        // Focus moves through the entry controls in their order.
        QStringList order;
        QWidget* w = rig.List();
        do {
            if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) && frm_all->isAncestorOf(w))
                order << w->objectName();
            w = w->nextInFocusChain();
        } while (w != rig.List());
        QCOMPARE(order, QStringList({"lstKLV", "cmdReplace", "cmdBackup", "cmdRestore", "cmdRipAll",
                                     "cmdChange", "txtChange"}));

        // The menu bar: captions, access keys and separators (Ctrl+X is tried by the states test).
        QStringList menu;
        for (QAction* top : rig.form->menuBar()->actions()) {
            QMenu* sub = top->menu();
            menu << (sub ? sub->objectName() : top->objectName()) + '=' + top->text();
            for (QAction* a : sub ? sub->actions() : QList<QAction*>())
                menu << "  " + a->objectName() + (a->isSeparator() ? "-" : "=" + a->text());
        }
        QCOMPARE(menu,
                 QStringList({"mnuFile=&File", "  mnuFileKLV=Open &KLV/VLX data",
                              "  mnuFileBIN=Open &BIN File",
                              "  mnuFileScan=&Make VLX List from BIN\u2026",
                              "  mnuFileRipNew=Rip All to &New Image\u2026", "  mnuFileDiv1-",
                              "  mnuFileClose=&Close All", "  mnuFileDiv2-", "  mnuFileExit=E&xit",
                              "mnuOptions=&Options", "  mnuOptionsXA=Preserve &XA Headers",
                              "  mnuOptionsValid=Write &Valid Sectors",
                              "  mnuOptionsKeep=&Keep Stream Structure",
                              "  mnuOptionsSilence=Silence &Audio Tracks", "mnuAbout=&About"}));
        // Each option says in its tooltip, in one line, what it is for.
        for (const char* option :
             {"mnuOptionsXA", "mnuOptionsValid", "mnuOptionsKeep", "mnuOptionsSilence"}) {
            const QString tip = rig.Get<QAction>(option)->toolTip();
            QVERIFY(!tip.contains('\n') && tip.size() > 40 && tip.size() < 100);
        }
    }

    // The Info frame's line runs through its caption with a gap around the text, and stays clear
    // of the labels below it.
    void theInfoCaptionAndLabelsStayOffTheFrameLine() {
        WindowRig rig;
        QWidget* frame = rig.Get("Frame1");
        const QImage image = frame->grab().toImage();
        const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 120; };
        int line = 0;
        while (line < image.height() && qGray(image.pixel(image.width() / 2, line)) >= 220) ++line;
        QVERIFY(line < image.height());

        const QRect label = rig.Get("Label1")->geometry();
        int left = image.width(), right = -1;
        // The caption's ink, antialiasing included; the frame's sides and top line are not ink.
        for (int y = 0; y < label.top(); ++y)
            for (int x = 3; x < image.width() - 3 && y != line; ++x)
                if (qGray(image.pixel(x, y)) < 220)
                    left = std::min(left, x), right = std::max(right, x);
        QVERIFY2(right >= left, "the caption is not drawn");
        for (int x : {left - 1, right + 1})
            QVERIFY2(qGray(image.pixel(x, line)) >= 220, "the frame line touches the caption");

        int ink_top = label.bottom();
        for (int y = label.top(); y <= label.bottom(); ++y)
            for (int x = label.left(); x <= label.right(); ++x)
                if (dark(x, y)) ink_top = std::min(ink_top, y);
        QVERIFY2(ink_top >= line + 3, "the first label touches the frame line");
    }
};

QTEST_MAIN(Form1Look)
#include "form1_look_test.moc"
