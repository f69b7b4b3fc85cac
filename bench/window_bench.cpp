// vorlix-bench-window: drives Form1 offscreen for vorlix-bench, every dialog answered in advance.
//   rip LIST IMAGE BLANKS      opens both files, clicks Rip All, prints seconds=<time of the click>
//   load LIST REPS ENTRIES     opens the list in a fresh window REPS times, prints seconds=<time>
//                              for each, from the menu command until the filled list is painted
#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>

#include "window/dialogs.h"
#include "window/form1.h"

namespace {

using vorlix::window::Dialogs;
using vorlix::window::FileDialogSetup;
using vorlix::window::Form1;
using vorlix::window::MessageIcon;

class AnsweredDialogs : public Dialogs {
public:
    std::deque<QString> files;
    QString last_message;

    QString OpenFile(const FileDialogSetup&) override { return Next(); }
    QString SaveFile(const FileDialogSetup&) override { return Next(); }
    bool Question(const QString&, const QString&) override { return true; }
    void Message(MessageIcon, const QString&, const QString& text) override { last_message = text; }

private:
    QString Next() {
        if (files.empty()) return {};
        QString path = files.front();
        files.pop_front();
        return path;
    }
};

struct Window {
    AnsweredDialogs* dialogs;
    std::unique_ptr<Form1> form;

    explicit Window(const char* blanks) {
        auto owned = std::make_unique<AnsweredDialogs>();
        dialogs = owned.get();
        form = std::make_unique<Form1>(std::move(owned), std::filesystem::path(blanks));
        form->show();
        QCoreApplication::processEvents();
    }

    void Open(const char* menu, const char* path) {
        dialogs->files.push_back(QString::fromLocal8Bit(path));
        form->findChild<QAction*>(QLatin1String(menu))->trigger();
    }
};

double Since(std::chrono::steady_clock::time_point begin) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

int Fail(const QString& why) {
    std::fprintf(stderr, "vorlix-bench-window: %s\n", why.toLocal8Bit().constData());
    return 1;
}

int RipAll(const char* list, const char* image, const char* blanks) {
    Window w(blanks);
    w.Open("mnuFileKLV", list);
    w.Open("mnuFileBIN", image);
    QCoreApplication::processEvents();
    auto* rip_all = w.form->findChild<QPushButton*>(QStringLiteral("cmdRipAll"));
    if (!rip_all->isEnabled())
        return Fail(QStringLiteral("Rip All is not enabled: ") + w.dialogs->last_message);
    const auto begin = std::chrono::steady_clock::now();
    rip_all->click();
    const double seconds = Since(begin);
    if (w.dialogs->last_message != QLatin1String("Rip Complete"))
        return Fail(QStringLiteral("Rip All ended with: ") + w.dialogs->last_message);
    std::printf("seconds=%.6f\n", seconds);
    return 0;
}

int Load(const char* list, int repetitions, int entries, const char* blanks) {
    for (int rep = 0; rep < repetitions; ++rep) {
        Window w(blanks);
        // The list is read from the disk each time, as on the first opening of a session.
        const int fd = ::open(list, O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
        const auto begin = std::chrono::steady_clock::now();
        w.Open("mnuFileKLV", list);
        // Twice: the first round lays out the items and posts the paint the second one does.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const double seconds = Since(begin);
        const int count = w.form->findChild<QListWidget*>(QStringLiteral("lstKLV"))->count();
        if (count != entries)
            return Fail(QStringLiteral("lstKLV holds %1 items, not %2").arg(count).arg(entries));
        std::printf("seconds=%.6f\n", seconds);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "rip" && argc == 5) return RipAll(argv[2], argv[3], argv[4]);
    // Loading rips nothing: the window's own blanks directory will do.
    if (mode == "load" && argc == 5)
        return Load(argv[2], std::stoi(argv[3]), std::stoi(argv[4]), "");
    std::fprintf(stderr,
                 "usage: vorlix-bench-window rip LIST IMAGE BLANKS | load LIST REPS ENTRIES\n");
    return 2;
}
