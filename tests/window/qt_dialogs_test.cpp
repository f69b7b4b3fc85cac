// The real dialogs behind the seam: what the user is shown, and the answers that come back.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/temp_dir.h"
#include "window/dialogs.h"

using vorlix::window::FileDialogSetup;
using vorlix::window::MessageIcon;
using vorlix::window::QtDialogs;
using vorlix::window::QtNameFilters;

namespace {

// Runs `act` on the modal dialog once it is up, then lets the caller's exec() return.
template <typename D>
void WhenShown(std::function<void(D*)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            QWidget* other = QApplication::activeModalWidget();
            if (other) other->close();
            QFAIL("the expected dialog was not shown");
        }
        act(dialog);
        // A failed check inside `act` must not leave the dialog waiting for a person.
        if (dialog->isVisible()) static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
    });
}

}  // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void filterListsBecomeQtNameFilters() {
        QCOMPARE(QtNameFilters(QStringLiteral(
                     "Kelvane / VORLIX files (*.klv,*.vlx)|*.klv;*.vlx|All Files (*.*)|*.*")),
                 QStringList({"Kelvane / VORLIX files (*.klv,*.vlx) (*.klv *.vlx)",
                              "All Files (*.*) (*)"}));
        QCOMPARE(
            QtNameFilters(QStringLiteral("PSX CD Image file (*.bin)|*.bin|All Files (*.*)|*.*")),
            QStringList({"PSX CD Image file (*.bin) (*.bin)", "All Files (*.*) (*)"}));
        QCOMPARE(QtNameFilters(QString()), QStringList());
    }

    void theOpenDialogShowsTitleFiltersAndReturnsTheChoice() {
        vorlix::test::TempDir dir;
        const QString list = QString::fromStdString((dir / "a.klv").string());
        QFile(list).open(QIODevice::WriteOnly);
        QWidget parent;
        QtDialogs dialogs(&parent);
        QStringList filters;
        QString title;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            filters = d->nameFilters();
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptOpen);
            // The first filter is chosen; the dialog shows it without its pattern part.
            QVERIFY(filters.value(0).startsWith(d->selectedNameFilter()));
            QVERIFY(!d->selectedNameFilter().isEmpty());
            d->setDirectory(QString::fromStdString(dir.path().string()));
            d->selectFile(list);
            static_cast<QDialog*>(d)->accept();
        });
        const QString chosen = dialogs.OpenFile(
            {QString(), "Select File",
             "Kelvane / VORLIX files (*.klv,*.vlx)|*.klv;*.vlx|All Files (*.*)|*.*"});
        QCOMPARE(title, QStringLiteral("Select File"));
        QCOMPARE(filters.size(), 2);
        QCOMPARE(chosen, list);

        WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
        QCOMPARE(dialogs.OpenFile({QString(), "Select File", "All Files (*.*)|*.*"}), QString());
    }

    void theSaveDialogOffersTheNameAndLeavesTheOverwriteQuestionToTheCommand() {
        vorlix::test::TempDir dir;
        QWidget parent;
        QtDialogs dialogs(&parent);
        QString offered;
        bool confirms = true;
        WhenShown<QFileDialog>([&](QFileDialog* d) {
            QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
            confirms = !d->testOption(QFileDialog::DontConfirmOverwrite);
            offered = d->selectedFiles().value(0);
            d->setDirectory(QString::fromStdString(dir.path().string()));
            d->selectFile(QStringLiteral("100.XA"));
            static_cast<QDialog*>(d)->accept();
        });
        const QString chosen = dialogs.SaveFile({"100.XA", "Select File", "All Files (*.*)|*.*"});
        QVERIFY(offered.endsWith(QStringLiteral("/100.XA")));
        QVERIFY(!confirms);
        QCOMPARE(chosen, QString::fromStdString((dir / "100.XA").string()));
    }

    void theQuestionHasYesAndNoWithYesTheDefaultAndNoIcon() {
        QWidget parent;
        QtDialogs dialogs(&parent);
        for (bool yes : {true, false}) {
            WhenShown<QMessageBox>([yes](QMessageBox* box) {
                QCOMPARE(box->windowTitle(), QStringLiteral("Question"));
                QCOMPARE(box->text(), QStringLiteral("File already exsists. Overwrite?"));
                QCOMPARE(box->icon(), QMessageBox::NoIcon);
                QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
                box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            QCOMPARE(dialogs.Question("Question", "File already exsists. Overwrite?"), yes);
        }
    }

    void messagesShowTheirIconAndTheirLines() {
        QWidget parent;
        QtDialogs dialogs(&parent);
        const std::pair<MessageIcon, QMessageBox::Icon> icons[] = {
            {MessageIcon::Information, QMessageBox::Information},
            {MessageIcon::Exclamation, QMessageBox::Warning},
            {MessageIcon::Critical, QMessageBox::Critical}};
        for (const auto& [ours, qt] : icons) {
            QMessageBox::Icon shown = QMessageBox::NoIcon;
            QString text;
            WhenShown<QMessageBox>([&](QMessageBox* box) {
                shown = box->icon();
                text = box->text();
                QCOMPARE(box->standardButtons(), QMessageBox::Ok);
                box->button(QMessageBox::Ok)->click();
            });
            dialogs.Message(ours, "About", "VORLIX\r\nVersion: 1.05 Build: 09\r\nline three");
            QCOMPARE(shown, qt);
            QCOMPARE(text, QStringLiteral("VORLIX\nVersion: 1.05 Build: 09\nline three"));
        }
    }
};

QTEST_MAIN(QtDialogsTest)
#include "qt_dialogs_test.moc"
