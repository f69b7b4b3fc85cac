// The window as the user sees it: captions and values that fit, tab order, title, icon, tooltips.
#include <QAction>
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

    void everyCaptionAndValueHasRoomAndFocusFollowsTheControls() {
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
        // Every caption fits its control.
        for (const char* name :
             {"Frame1", "Label1", "Label2", "Label3", "Label4", "cmdReplace", "cmdBackup",
              "cmdRipAll", "cmdRestore", "cmdChange", "lblStatus"}) {
            QWidget* w = rig.Get(name);
            fits(name, w->property(w->inherits("QGroupBox") ? "title" : "text").toString());
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
