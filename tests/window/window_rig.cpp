#include "window_rig.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "support/synthetic.h"

namespace vorlix::window::test {

bool Snapshot::AnyButton() const {
    return std::any_of(std::begin(buttons), std::end(buttons), [](bool b) { return b; });
}
bool Snapshot::AllButtons() const {
    return std::all_of(std::begin(buttons), std::end(buttons), [](bool b) { return b; });
}

WindowRig::WindowRig() {
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    form = std::make_unique<Form1>(std::move(scripted), blanks);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) qWarning("the window was not exposed");
}

WindowRig::~WindowRig() = default;

QWidget* WindowRig::Widget(const char* name) const {
    return form->findChild<QWidget*>(QLatin1String(name));
}
QLabel* WindowRig::Label(const char* name) const {
    return form->findChild<QLabel*>(QLatin1String(name));
}
QPushButton* WindowRig::Button(const char* name) const {
    return form->findChild<QPushButton*>(QLatin1String(name));
}
QListWidget* WindowRig::List() const {
    return form->findChild<QListWidget*>(QStringLiteral("lstKLV"));
}
QLineEdit* WindowRig::TypeBox() const {
    return form->findChild<QLineEdit*>(QStringLiteral("txtChange"));
}
QAction* WindowRig::Action(const char* name) const {
    return form->findChild<QAction*>(QLatin1String(name));
}
QMenuBar* WindowRig::MenuBar() const {
    return form->menuBar();
}

std::filesystem::path WindowRig::WriteList(const std::string& name,
                                           const std::vector<std::string>& lines) {
    const std::filesystem::path path = dir / name;
    vorlix::test::WriteText(path, vorlix::test::ListText(lines));
    return path;
}

void WindowRig::Trigger(const char* action) {
    Action(action)->trigger();
}

void WindowRig::OpenList(const std::filesystem::path& path) {
    dialogs->AnswerFile(Q(path));
    Trigger("mnuFileKLV");
}

void WindowRig::OpenImage(const std::filesystem::path& path) {
    dialogs->AnswerFile(Q(path));
    Trigger("mnuFileBIN");
}

void WindowRig::OpenBoth(const std::vector<std::string>& lines,
                         const std::filesystem::path& image) {
    OpenList(WriteList("list.klv", lines));
    OpenImage(image);
}

void WindowRig::Click(const char* button) {
    QTest::mouseClick(Button(button), Qt::LeftButton);
}

void WindowRig::ClickRow(int row) {
    QListWidget* list = List();
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

QStringList WindowRig::Details() const {
    return {Label("lblStart")->text(), Label("lblEnd")->text(), Label("lblLength")->text(),
            Label("lblType")->text(), TypeBox()->text()};
}

QStringList WindowRig::Items() const {
    QStringList items;
    for (int i = 0; i < List()->count(); ++i) items << List()->item(i)->text();
    return items;
}

QString WindowRig::Status() const {
    return Label("lblStatus")->text();
}

Snapshot WindowRig::Snap() const {
    Snapshot s;
    s.frm_all = Widget("frmAll")->isEnabled();
    s.menu_bar = MenuBar()->isEnabled();
    s.list = List()->isEnabled();
    const char* names[] = {"cmdReplace", "cmdBackup", "cmdRestore", "cmdRipAll", "cmdChange"};
    for (int i = 0; i < 5; ++i) s.buttons[i] = Button(names[i])->isEnabled();
    s.type_box = TypeBox()->isEnabled();
    s.row = List()->currentRow();
    s.status = Status();
    s.type = Label("lblType")->text();
    return s;
}

bool WindowRig::Idle() const {
    return Widget("frmAll")->isEnabled() && MenuBar()->isEnabled() && Status() == "Idle";
}

void WindowRig::StartRecording() {
    recorded_.clear();
    recorder_ = new QTimer(form.get());
    recorder_->setInterval(0);
    QObject::connect(recorder_, &QTimer::timeout, [this] { recorded_.push_back(Snap()); });
    recorder_->start();
}

std::vector<Snapshot> WindowRig::StopRecording() {
    delete recorder_;
    recorder_ = nullptr;
    return std::move(recorded_);
}

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

std::vector<std::uint8_t> XaFillerSector() {
    static constexpr std::uint8_t kPrefix[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0x00, 0x25, 0x26, 0x33, 0x02,
                                               0x01, 0x00, 0x64, 0x01, 0x01, 0x00, 0x64, 0x01};
    std::vector<std::uint8_t> sector(2352, 0);
    std::copy(std::begin(kPrefix), std::end(kPrefix), sector.begin());
    return sector;
}

}  // namespace vorlix::window::test
