// The Windows window's control and command ids, one place for the window, its menus and what
// drives it from outside (the window tests find controls by these ids).
#pragma once

namespace sorbel::win32 {

// Window classes.
inline constexpr wchar_t kMainClass[] = L"frmMain";
inline constexpr wchar_t kAboutClass[] = L"frmAbout";

// frmMain's controls (GetDlgItem on the main window; the panels are children too).
enum MainControl : int {
  kFraMain = 100,
  kTxtCsvPath = 101,
  kCmdView = 102,
  kTxtShohinmei = 103,
  kCboCategory = 104,
  kTxtTag = 105,
  kTxtKakakuStart = 106,
  kTxtKakakuEnd = 107,
  kCboDoukon = 108,
  kChkKessan0 = 109,
  kChkKessan1 = 110,
  kChkSouryou = 111,
  kFraButton = 112,
  kCmdExec = 113,
  kCmdEnd = 114,
  kStatusBar1 = 115,
};

// Menu commands (WM_COMMAND).
enum MainCommand : int {
  kMnuFileExec = 1001,  // F5
  kMnuFileEnd = 1002,
  kMnuHelpVersion = 1003,
};

// frmAbout's controls.
enum AboutControl : int {
  kAboutTxtSeihinmei = 201,
  kAboutTxtVersion = 202,
  kAboutCmdUrl = 203,
  kAboutCmdOk = 204,
};

}  // namespace sorbel::win32
