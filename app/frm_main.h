// frmMain: the program's one working window. It holds every filter input, the CSV path with
// its browse button, the run and quit buttons, the menus and the status bar, and hosts the run.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "filter/filter_run.h"
#include "platform/browser_launcher.h"
#include "platform/clock.h"
#include "platform/desktop_folder.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"

namespace sorbel {

// What the window calls on: the platform's dialogs and services, and the run itself.
struct frmMainServices {
  FileDialog& file_dialog;
  const DesktopFolder& desktop;
  BrowserLauncher& browser;
  MessageBox& messages;
  SpreadsheetHost* spreadsheet = nullptr;  // nullptr: results are not shown
  std::function<void(FilterHost&)> run = ExecFilter;
};

class frmMain : public QMainWindow, public FilterHost {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up (caption, lists, numeric fields, maximised state).
  // The services must outlive the window.
  explicit frmMain(frmMainServices services, QWidget* parent = nullptr);
  ~frmMain() override;

  // Puts `path` in the CSV path box, as for a file opened with the program; nothing runs.
  void SetCsvPath(const std::string& path);

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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Controls;

  void InitForm();
  void CentreMainPanel();
  void RunFilter();
  void BrowseCsv();
  void ShowVersion();
  void Quit();

  frmMainServices services_;
  std::unique_ptr<Controls> ui_;
  SystemClock clock_;
  std::string out_file_name_;
  bool busy_pointer_ = false;
  bool running_ = false;
};

}  // namespace sorbel
