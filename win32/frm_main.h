// frmMain: the program's one working window in plain Win32. It holds every filter input, the
// CSV path with its browse button, the run and quit buttons, the menus and the status bar, and
// hosts the run.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "filter/filter_run.h"
#include "platform/browser_launcher.h"
#include "platform/clock.h"
#include "platform/desktop_folder.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "win32/frm_main_controls.h"
#include "win32/number_text.h"
#include "win32/windows_api.h"

namespace sorbel::win32 {

// What the window calls on: the platform's dialogs and services, and the run itself.
struct frmMainServices {
  FileDialog& file_dialog;
  const DesktopFolder& desktop;
  BrowserLauncher& browser;
  MessageBox& messages;
  SpreadsheetHost* spreadsheet = nullptr;  // nullptr: results are not shown
  std::function<void(FilterHost&)> run = ExecFilter;
};

class frmMain : public FilterHost {
 public:
  // Makes the window and runs its start-up (caption, lists, numeric fields, maximised). The
  // services must outlive the window.
  explicit frmMain(frmMainServices services);
  ~frmMain() override;
  frmMain(const frmMain&) = delete;
  frmMain& operator=(const frmMain&) = delete;

  HWND Window() const { return hwnd_; }

  // Puts `path` in the CSV path box, as for a file opened with the program; nothing runs.
  void SetCsvPath(const std::string& path);

  // The window's part of the message loop, before TranslateMessage: F5, Enter as Tab, Esc,
  // and Tab between the controls. True when the message was dealt with.
  bool TranslateWindowMessage(MSG& msg);

  // FilterHost: the inputs as the controls hold them, and the run's feedback.
  std::string CsvPath() const override;
  FilterConditions Conditions() const override;
  void SetStatusText(const std::string& text) override;
  void SetMousePointer(MousePointer pointer) override;
  MessageBox& Messages() override;
  const std::string& OutFileName() const override;
  void SetOutFileName(const std::string& name) override;
  std::string AppFolder() const override;
  const Clock& Time() const override;
  SpreadsheetHost* Spreadsheet() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  void InitForm();
  void LayOut();
  void CentreMainPanel();
  void OnCommand(int id, int code, HWND control);
  void RunFilter();
  void BrowseCsv();
  void ShowVersion();
  void Quit();

  frmMainServices services_;
  HWND hwnd_ = nullptr;
  HACCEL accelerators_ = nullptr;
  HICON icon_big_ = nullptr;
  HICON icon_small_ = nullptr;
  fraMainArt art_;
  frmMainControls ui_;
  std::array<std::unique_ptr<numberText>, 2> number_fields_;  // txtKakakuStart, txtKakakuEnd
  HWND last_focus_ = nullptr;
  SystemClock clock_;
  std::string out_file_name_;
  bool busy_pointer_ = false;
  bool running_ = false;
};

}  // namespace sorbel::win32
