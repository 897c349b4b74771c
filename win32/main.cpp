// Program start of sorbel.exe: per-monitor dpi, COM for the spreadsheet, the common controls,
// the platform's dialogs and services, the main window and its message loop.
// First, so that the ports' headers below keep their names.
#include "win32/windows_api.h"

#include <commctrl.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "front/csv_path_argument.h"
#include "platform/app.h"
#include "platform/error.h"
#include "platform/program_arguments.h"
#include "platform/spreadsheet_host.h"
#include "platform/windows/browser_launcher.h"
#include "platform/windows/desktop_folder.h"
#include "platform/windows/file_dialog.h"
#include "platform/windows/message_box.h"
#include "win32/frm_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);

  int code = 0;
  {
    sorbel::WindowsFileDialog file_dialog;
    sorbel::WindowsDesktopFolder desktop;
    sorbel::WindowsBrowserLauncher browser;
    sorbel::WindowsMessageBox messages;
    std::unique_ptr<sorbel::SpreadsheetHost> office = sorbel::SystemSpreadsheetHost();
    try {
      sorbel::win32::frmMain window(sorbel::win32::frmMainServices{.file_dialog = file_dialog,
                                                                   .desktop = desktop,
                                                                   .browser = browser,
                                                                   .messages = messages,
                                                                   .spreadsheet = office.get()});
      // Opened with a CSV file (from Explorer): the path is filled in; nothing runs yet.
      std::vector<std::string> arguments = {"sorbel.exe"};
      for (std::string& argument : sorbel::ProgramArguments(0, nullptr)) {
        arguments.push_back(std::move(argument));
      }
      if (auto path = sorbel::CsvPathArgument(arguments)) window.SetCsvPath(*path);

      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window.TranslateWindowMessage(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      code = static_cast<int>(msg.wParam);
    } catch (const sorbel::Error& e) {
      messages.Show(e.Report(), sorbel::kIconCritical, sorbel::kAppTitle);
      code = 1;
    }
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return code;
}
