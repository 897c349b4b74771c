// A throw-away office for the tests: its own profile folder and pipe, headless, and a second
// connection that reads what the display left in it and ends the office at the end.
#pragma once

#include <string>
#include <vector>

#include "platform/libreoffice/libreoffice_host.h"

namespace sorbel {

// What one open spreadsheet document holds, as text.
struct SeenDocument {
  std::vector<std::string> sheet_names;
  std::vector<std::vector<std::string>> cells;  // the last sheet's used area, row by row
  std::vector<std::vector<bool>> is_text;       // per cell: held as text, not as a number
  bool formulas = false;                        // some cell of the used area holds a formula
  bool one_line_rows = false;                   // every used row as high as an empty one
  std::vector<int> column_widths;               // of the used columns, in 1/100 mm
  bool frozen_header = false;                   // the view keeps rows (or columns) in sight
  int frozen_rows = 0;                          // how many rows it keeps in sight
  bool autofilter = false;                      // the sheet's own database range filters
  std::string title;                            // what the window's title names
  std::string language;                         // of Latin text in A1, as "ja-JP"
  std::string asian_language;                   // of Japanese text in A1
  bool visible = false;                         // its window is shown
  bool saved = false;                           // has a file behind it
  bool modified = false;                        // closing it would ask to save
};

// Processes, not yet ended, whose command line (arguments joined by NUL) holds `text`.
std::vector<int> ProcessesWith(const std::string& text);

// The office of one test program. A watchdog process ends the office and removes the folder
// should the test program die before it could do so itself (a sanitizer abort, a time-out).
class TestOffice {
 public:
  TestOffice();   // makes the profile folder and starts the watchdog
  ~TestOffice();  // ends the office, removes the folder and stops the watchdog

  // Options for a host that uses this office.
  LibreOfficeOptions Options() const;
  const std::string& ProfileDir() const { return profile_dir_; }

  // Starts the office as a user would, before any display: Start Center and all.
  void StartAsUser();
  // Every spreadsheet document open in the office; empty when no office runs.
  std::vector<SeenDocument> Documents();
  // Adds a document of the user's own, shown and modified, titled `title`.
  void AddUsersDocument(const std::string& title);
  // Closes the document titled `title` as the user does with File > Close, not saving it.
  void CloseAsUser(const std::string& title);
  // Windows that show the Start Center.
  int StartCenters();
  // Closes every document without saving; the office runs on.
  void CloseDocuments();
  // Closes every document and ends the office; waits until its lock file and processes are gone.
  void End();
  // Office processes (not yet ended) started with this profile.
  int Processes() const;
  // True when the office's lock file is gone within the given time.
  bool WaitLockGone(int timeout_ms) const;

 private:
  std::string profile_dir_;
  std::string pipe_name_;
  int watchdog_ = -1;
};

}  // namespace sorbel
