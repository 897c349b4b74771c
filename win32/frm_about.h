// frmAbout: the version box. Shows the title and version, the tool family and the program
// icon, opens the support page in the browser, and closes with OK.
#pragma once

#include "platform/browser_launcher.h"
#include "platform/message_box.h"
#include "win32/windows_api.h"

namespace sorbel::win32 {

// Shows the box modally over `owner` (disabled meanwhile) and returns when OK closed it. When no
// browser takes the support page, `messages` tells the user the address; the box stays.
void ShowAboutBox(HWND owner, BrowserLauncher& browser, MessageBox& messages);

}  // namespace sorbel::win32
