// The program's icon, drawn at run time at the size asked (16, 32, 48 ...), so that every
// place gets a sharp picture without an icon file to ship.
#pragma once

#include "win32/windows_api.h"

namespace sorbel::win32 {

// A new icon of `size` × `size` pixels; the caller destroys it (DestroyIcon).
HICON MakeProgramIcon(int size);

}  // namespace sorbel::win32
