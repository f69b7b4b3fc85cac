// VORLIX: starts the one window, opens the files it is given, and runs until it is closed.
#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "window/form1.h"

namespace {

// Qt would abort with a long diagnostic; one line says what is missing.
bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGXFSZ, SIG_IGN);  // past a file-size limit a write fails and is reported
    if (!DisplayAvailable()) {
        std::fputs("VORLIX needs a desktop: no display found (DISPLAY is not set).\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VORLIX"));
    // The desktop matches the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vorlix.vorlix"));
    vorlix::window::Form1 window;
    window.show();
    // Files from the command line or the file manager (the menu entry's %F).
    window.OpenFiles(QApplication::arguments().mid(1));
    return app.exec();
}
