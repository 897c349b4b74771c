// The program icon: a white funnel over a table on a light blue tile, 32 x 32.
// The window, the task bar and the About box all show it.
#pragma once

#include <QIcon>

namespace sorbel {

QIcon ProgramIcon();

}  // namespace sorbel
