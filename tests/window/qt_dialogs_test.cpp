// The real dialogs behind the seam: what the user is shown, and the answers that come back.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>

#include "support/temp_dir.h"
#include "window/dialogs.h"

using namespace vorlix::window;

namespace {

// Runs `act` on the modal dialog once it is up; a dialog still open after it is rejected, so a
// failed check never leaves it waiting for a person.
template <typename D>
void WhenShown(std::function<void(D*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<D*>(modal);
        if (dialog != nullptr) act(dialog);
        if (modal != nullptr && modal->isVisible()) static_cast<QDialog*>(modal)->reject();
        QVERIFY2(dialog != nullptr, "the expected dialog was not shown");
    });
}

const QString kListFilter =
    QStringLiteral("Kelvane / VORLIX files (*.klv,*.vlx)|*.klv;*.vlx|All Files (*.*)|*.*");

}  // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void fileDialogsShowTitleFiltersAndTheOfferedNameAndReturnTheChoice() {
        vorlix::test::TempDir dir;
        const QString folder = QString::fromStdString(dir.path().string());
        QFile(folder + "/a.klv").open(QIODevice::WriteOnly);
        QWidget parent;
        QtDialogs dialogs(&parent);
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Select File"));
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(d->nameFilters(),
                     QStringList({"Kelvane / VORLIX files (*.klv,*.vlx) (*.klv *.vlx)",
                                  "All Files (*.*) (*)"}));
            // The first filter is chosen; the dialog shows it without its pattern part.
            QVERIFY(!d->selectedNameFilter().isEmpty());
            QVERIFY(d->nameFilters()[0].startsWith(d->selectedNameFilter()));
            d->setDirectory(folder);
            d->selectFile(folder + "/a.klv");
            static_cast<QDialog*>(d)->accept();
        });
        QCOMPARE(dialogs.OpenFile({QString(), "Select File", kListFilter, QString()}),
                 folder + "/a.klv");
        // A dialog given a folder opens there.
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d->directory().absolutePath(), folder);
            d->reject();
        });
        QCOMPARE(dialogs.OpenFile({QString(), "Select File", kListFilter, folder}), QString());

        // Saving offers the name in the folder and leaves the question about an existing file to
        // the command.
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
            QVERIFY(d->testOption(QFileDialog::DontConfirmOverwrite));
            QCOMPARE(d->selectedFiles().value(0), folder + "/100.XA");
            static_cast<QDialog*>(d)->accept();
        });
        QCOMPARE(dialogs.SaveFile({"100.XA", "Select File", "All Files (*.*)|*.*", folder}),
                 folder + "/100.XA");
    }

    // The question has Yes and No. Messages have an OK button and their icon, take the window's
    // font, keep the lines they are given however long, and give the keyboard focus back to the
    // control that had it.
    void theQuestionAndTheMessages() {
        QWidget parent;
        QFont font(QStringLiteral("DejaVu Sans Condensed"));
        font.setPixelSize(11);
        parent.setFont(font);
        auto* field = new QLineEdit(&parent);
        parent.show();
        QApplication::setActiveWindow(&parent);
        QVERIFY(QTest::qWaitForWindowActive(&parent));
        field->setFocus();
        QVERIFY(field->hasFocus());
        QtDialogs dialogs(&parent);
        for (bool yes : {true, false}) {
            WhenShown<QMessageBox>([yes](QMessageBox* box) {
                QCOMPARE(box->windowTitle(), QStringLiteral("Question"));
                QCOMPARE(box->text(), QStringLiteral("Overwrite?"));
                QCOMPARE(box->icon(), QMessageBox::NoIcon);
                QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            QCOMPARE(dialogs.Question("Question", "Overwrite?"), yes);
        }

        // Each long line wider than half the (offscreen) screen, where Qt's box would break it.
        const QStringList lines = {QStringLiteral("lorem ipsum ").repeated(8), "short",
                                   QStringLiteral("dolor sit amet ").repeated(6), "last"};
        const std::pair<MessageIcon, QMessageBox::Icon> icons[] = {
            {MessageIcon::Information, QMessageBox::Information},
            {MessageIcon::Exclamation, QMessageBox::Warning},
            {MessageIcon::Critical, QMessageBox::Critical}};
        for (const auto& [ours, qt] : icons) {
            WhenShown<QMessageBox>([&, qt](QMessageBox* box) {
                QCOMPARE(box->icon(), qt);
                QCOMPARE(box->standardButtons(), QMessageBox::Ok);
                QCOMPARE(box->font().pixelSize(), 11);
                auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                QVERIFY(label != nullptr);
                const QFontMetrics metrics(label->font());
                QCoreApplication::processEvents();
                QVERIFY(box->width() < box->screen()->availableGeometry().width());
                QCOMPARE(QString(label->text()).replace(QChar(0xA0), ' '), lines.join('\n'));
                for (const QString& line : label->text().split('\n'))
                    QVERIFY2(label->width() >= metrics.horizontalAdvance(line), qPrintable(line));
                box->button(QMessageBox::Ok)->click();
            });
            dialogs.Message(ours, "Caution", lines.join("\r\n"));
            QCOMPARE(parent.focusWidget(), field);
        }

        // Thousands of lines of details scroll inside a box that, opened, stays on the screen.
        const QString details = QStringLiteral("a warning of some length, ").repeated(6) + "\r\n";
        WhenShown<QMessageBox>([&](QMessageBox* box) {
            QCOMPARE(box->text(), QStringLiteral("Many"));
            QCOMPARE(box->detailedText().count('\n'), 5000);
            for (QAbstractButton* button : box->buttons())
                if (box->buttonRole(button) == QMessageBox::ActionRole) button->click();
            QCoreApplication::processEvents();
            const QRect screen = box->screen()->availableGeometry();
            QVERIFY(box->findChild<QTextEdit*>()->isVisible());
            QVERIFY(screen.contains(box->frameGeometry()));
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.MessageWithDetails(MessageIcon::Exclamation, "Info", "Many",
                                   details.repeated(5000));
    }

    // The progress box is modal, shows the task and how far it is, and tells of a Cancel click.
    void theProgressBoxShowsHowFarAndTellsOfACancel() {
        QWidget parent;
        parent.show();
        QtDialogs dialogs(&parent);
        std::unique_ptr<ProgressView> view = dialogs.Progress("Make VLX List", "Scanning a.bin");
        auto* box = parent.findChild<QProgressDialog*>();
        QVERIFY(box != nullptr && box->isVisible() && box->isModal());
        QCOMPARE(box->windowTitle(), QStringLiteral("Make VLX List"));
        QCOMPARE(box->labelText(), QStringLiteral("Scanning a.bin"));
        QVERIFY(view->Update(300, 1200));
        QCOMPARE(box->maximum(), 1200);
        QCOMPARE(box->value(), 300);
        QVERIFY(view->Update(3000000000, 6000000000));  // beyond int: scaled, same fraction
        QCOMPARE(box->value() * 2, box->maximum());
        QTest::mouseClick(box->findChild<QPushButton*>(), Qt::LeftButton);
        QVERIFY(!view->Update(3001, 6000));
        view.reset();
        QVERIFY(parent.findChild<QProgressDialog*>() == nullptr || !box->isVisible());
    }
};

QTEST_MAIN(QtDialogsTest)
#include "qt_dialogs_test.moc"
