// Program start: the Qt application, the platform's dialogs and services, and the main window.
// Closing the main window ends the program.
#include <QApplication>
#include <QTimer>

#include "app/frm_main.h"
#include "app/program_icon.h"
#include "front/csv_path_argument.h"
#include "platform/end_request.h"
#include "platform/libreoffice/spreadsheet_module.h"
#include "platform/process.h"
#include "platform/qt/qt_browser_launcher.h"
#include "platform/qt/qt_desktop_folder.h"
#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_translation.h"

int main(int argc, char* argv[]) {
  // A file size limit makes a write fail (and the run say so), not end the program unheard.
  sorbel::KeepWritesFromEndingTheProgram();
  // A logout or a TERM ends the program tidily: a run under way stops and cleans up first.
  sorbel::CatchEndRequests();
  QApplication application(argc, argv);
  QTimer end_watch;
  QObject::connect(&end_watch, &QTimer::timeout, [] {
    if (sorbel::EndRequested()) QApplication::quit();
  });
  end_watch.start(200);
  sorbel::InstallJapaneseQtTexts(application);
  QApplication::setWindowIcon(sorbel::ProgramIcon());

  sorbel::QtFileDialog file_dialog;
  sorbel::QtDesktopFolder desktop;
  sorbel::QtBrowserLauncher browser;
  sorbel::QtMessageBox messages;
  sorbel::ModuleSpreadsheetHost office;
  sorbel::frmMain window(sorbel::frmMainServices{.file_dialog = file_dialog,
                                                 .desktop = desktop,
                                                 .browser = browser,
                                                 .messages = messages,
                                                 .spreadsheet = &office});
  // Opened with a CSV file (from the file manager): the path is filled in; nothing runs yet.
  std::vector<std::string> arguments;
  for (const QString& argument : QCoreApplication::arguments()) {
    arguments.push_back(argument.toStdString());
  }
  if (auto path = sorbel::CsvPathArgument(arguments)) {
    window.SetCsvPath(*path);
  }
  window.show();
  return application.exec();
}
