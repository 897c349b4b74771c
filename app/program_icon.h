// The program icon: a white funnel over a table on a light blue tile, 32 x 32.
// The window, the task bar and the About box all show it.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace sorbel {

QIcon ProgramIcon();

// The icon drawn at `size` x `size` pixels (for the icon files an installation ships).
QPixmap ProgramIconPixmap(int size);

}  // namespace sorbel
