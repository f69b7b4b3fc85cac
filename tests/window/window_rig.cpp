#include "window_rig.h"

#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace vorlix::window::test {

WindowRig::WindowRig(std::function<std::filesystem::path()> program_directory) {
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    const bool beside_program = static_cast<bool>(program_directory);
    form = std::make_unique<Form1>(std::move(scripted),
                                   beside_program ? std::filesystem::path() : blanks,
                                   std::move(program_directory));
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
    if (QListWidgetItem* item = List()->currentItem())
        s.row_in_view = List()->viewport()->rect().contains(List()->visualItemRect(item));
    s.status = Text("lblStatus");
    s.type = Text("lblType");
    s.code = TypeBox()->text();
    return s;
}

bool WindowRig::ShowedError(const QStringList& parts) const {
    const QStringList& shown = dialogs->messages;
    if (shown.size() != 1 || !shown[0].startsWith("critical Error: ")) return false;
    return std::all_of(parts.begin(), parts.end(), [&](auto& p) { return shown[0].contains(p); });
}

namespace {

class PaintSpy : public QObject {
public:
    explicit PaintSpy(std::function<void()> painted) : painted_(std::move(painted)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> painted_;
};

}  // namespace

void WindowRig::StartRecording() {
    recorded_.clear();
    painted_.clear();
    recorder_ = new QTimer(form.get());
    QObject::connect(recorder_, &QTimer::timeout, [this] {
        recorded_.push_back(Snap());
        if (Idle()) return;
        QTest::keyClick(form.get(), Qt::Key_X, Qt::ControlModifier);
        form->close();
    });
    recorder_->start(0);
    paint_spy_ = std::make_unique<PaintSpy>([this] { painted_.push_back(Snap()); });
    List()->viewport()->installEventFilter(paint_spy_.get());
    Get("lblStatus")->installEventFilter(paint_spy_.get());
}

std::vector<Snapshot> WindowRig::StopRecording() {
    delete recorder_;
    recorder_ = nullptr;
    paint_spy_.reset();
    return std::move(recorded_);
}

}  // namespace vorlix::window::test
