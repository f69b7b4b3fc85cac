// Build tool: writes the window's icon as PNG files of the hicolor theme, DIR/NxN/apps/NAME.png
// for each size N given, for installation beside the scalable SVG.
#include <QDir>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "window/app_icon.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fputs("usage: vorlix_make_icons DIR NAME SIZE...\n", stderr);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !vorlix::window::AppIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "vorlix_make_icons: Cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
