// windows.h for the Win32 front end, less the one macro that would rename a port of the
// program's own: MessageBox stays sorbel::MessageBox, the box is MessageBoxW by name.
#pragma once

#include <windows.h>
#undef MessageBox
