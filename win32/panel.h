// A panel: a borderless white child window that holds controls, passes their commands and
// notices on to its parent, and lets its owner paint on it (the main window's table).
#pragma once

#include "win32/windows_api.h"

namespace sorbel::win32 {

class PanelPainter {
 public:
  virtual ~PanelPainter() = default;
  virtual void Paint(HDC dc) = 0;
};

// A panel of `parent` with the control id `id`, placed later by its owner; Tab moves
// into its controls as into the parent's own. `painter` (may be nullptr) must outlive it.
HWND MakePanel(HWND parent, int id, PanelPainter* painter);

}  // namespace sorbel::win32
