#pragma once
// The window's icon, drawn in code at 16 x 16 and 32 x 32: a silver disc with a play-coloured ring.

#include <QIcon>

namespace vorlix::window {

QIcon AppIcon();

}  // namespace vorlix::window
