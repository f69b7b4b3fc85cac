#pragma once
// The window's icon, drawn in code at 16 x 16 and 32 x 32: a silver disc with a play-coloured ring.

#include <QIcon>
#include <QImage>

namespace vorlix::window {

QIcon AppIcon();

// The icon at any size, without a running application: the installed theme's PNGs are drawn by
// this too.
QImage AppIconImage(int size);

}  // namespace vorlix::window
