// The run as a window starts it: the run tells the user of its own failures; one it let slip
// is told here, with the pointer and the status put back, so that it cannot end the program.
#pragma once

#include <functional>

#include "filter/filter_run.h"

namespace sorbel {

// Calls run(host); a failure thrown out of it is shown with the critical icon as "number:text".
void RunFromWindow(FilterHost& host, const std::function<void(FilterHost&)>& run);

}  // namespace sorbel
