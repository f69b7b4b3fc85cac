#include "window_rig.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace vorlix::window::test {

WindowRig::WindowRig() {
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    form = std::make_unique<Form1>(std::move(scripted), blanks);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) qWarning("the window was not exposed");
}

std::filesystem::path WindowRig::WriteList(const std::string& name, const QStringList& lines) {
    std::vector<std::string> text;
    for (const QString& line : lines) text.push_back(line.toStdString());
    vorlix::test::WriteText(dir / name, vorlix::test::ListText(text));
    return dir / name;
}

void WindowRig::Choose(const std::filesystem::path& path, const char* action) {
    dialogs->AnswerFile(path.empty() ? QString() : Q(path));
    Trigger(action);
}

void WindowRig::OpenBoth(const QStringList& lines, const std::filesystem::path& image) {
    OpenList(WriteList("list.klv", lines));
    OpenImage(image);
}

void WindowRig::Click(const char* button) {
    QTest::mouseClick(Get<QPushButton>(button), Qt::LeftButton);
}

void WindowRig::ClickRow(int row) {
    const QRect rect = List()->visualItemRect(List()->item(row));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

void WindowRig::ChangeType(const QString& code) {
    TypeBox()->setText(code);
    Click("cmdChange");
}

QStringList WindowRig::Details() const {
    return {Text("lblStart"), Text("lblEnd"), Text("lblLength"), Text("lblType"),
            TypeBox()->text()};
}

QStringList WindowRig::Items() const {
    QStringList items;
    for (int i = 0; i < List()->count(); ++i) items << List()->item(i)->text();
    return items;
}

Snapshot WindowRig::Snap() const {
    Snapshot s;
    s.frm_all = Get("frmAll")->isEnabled();
    s.menu_bar = form->menuBar()->isEnabled();
    s.list = List()->isEnabled();
    s.type_box = TypeBox()->isEnabled();
    for (const char* name : {"cmdReplace", "cmdBackup", "cmdRestore", "cmdRipAll", "cmdChange"})
        s.buttons += Get(name)->isEnabled() ? 1 : 0;
    s.row = List()->currentRow();
    s.status = Text("lblStatus");
    s.type = Text("lblType");
    return s;
}

bool WindowRig::ShowedError(const QStringList& parts) const {
    const QStringList& shown = dialogs->messages;
    if (shown.size() != 1 || !shown[0].startsWith("critical Error: ")) return false;
    return std::all_of(parts.begin(), parts.end(), [&](auto& p) { return shown[0].contains(p); });
}

void WindowRig::StartRecording() {
    recorded_.clear();
    recorder_ = new QTimer(form.get());
    QObject::connect(recorder_, &QTimer::timeout, [this] {
        recorded_.push_back(Snap());
        if (Idle()) return;
        QTest::keyClick(form.get(), Qt::Key_X, Qt::ControlModifier);
        form->close();
    });
    recorder_->start(0);
}

std::vector<Snapshot> WindowRig::StopRecording() {
    delete recorder_;
    recorder_ = nullptr;
    return std::move(recorded_);
}

}  // namespace vorlix::window::test
