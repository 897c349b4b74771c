// RunFromWindow: the last catch between the run and the window's event loop.
#include "front/window_run.h"

#include "platform/app.h"
#include "platform/error.h"

namespace sorbel {

void RunFromWindow(FilterHost& host, const std::function<void(FilterHost&)>& run) {
  try {
    run(host);
  } catch (...) {
    host.SetMousePointer(kPointerDefault);
    host.SetStatusText("");
    host.Messages().Show(CurrentError().Report(), kIconCritical, kAppTitle);
  }
}

}  // namespace sorbel
