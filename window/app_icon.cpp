#include "window/app_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>

namespace vorlix::window {

QImage AppIconImage(int size) {
    QImage pixmap(size, size, QImage::Format_ARGB32_Premultiplied);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF disc(0.5, 0.5, size - 1.0, size - 1.0);
    const QPointF centre = disc.center();
    QRadialGradient silver(centre, size / 2.0, QPointF(size * 0.3, size * 0.3));
    silver.setColorAt(0.0, QColor(250, 250, 252));
    silver.setColorAt(0.7, QColor(190, 196, 206));
    silver.setColorAt(1.0, QColor(140, 146, 160));
    p.setPen(QPen(QColor(70, 74, 86), size >= 32 ? 1.5 : 1.0));
    p.setBrush(silver);
    p.drawEllipse(disc);

    // A ring of the four button colours of the console's pad.
    const QColor colours[] = {QColor(40, 170, 120), QColor(220, 60, 70), QColor(70, 110, 210),
                              QColor(220, 120, 190)};
    const double ring = size * 0.30;
    const QRectF ringRect(centre.x() - ring, centre.y() - ring, 2 * ring, 2 * ring);
    p.setPen(QPen(Qt::NoPen));
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colours[i]);
        p.drawPie(ringRect, (45 + i * 90) * 16, 90 * 16);
    }

    // The centre hole, through which the background shows.
    const double hole = size * 0.12;
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.drawEllipse(centre, hole, hole);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(70, 74, 86), 1.0));
    p.drawEllipse(centre, hole + 0.5, hole + 0.5);
    return pixmap;
}

QIcon AppIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(AppIconImage(16)));
    icon.addPixmap(QPixmap::fromImage(AppIconImage(32)));
    return icon;
}

}  // namespace vorlix::window
