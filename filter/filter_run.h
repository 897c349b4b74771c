// ExecFilter: the one command that takes the window's conditions to a shown result file.
// FilterHost is what the run needs of whoever hosts it: the window, the command line, a test.
#pragma once

#include <string>

#include "filter/query_text.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace sorbel {

class SpreadsheetHost;

enum MousePointer { kPointerDefault = 0, kPointerHourglass = 11 };

class FilterHost {
 public:
  virtual ~FilterHost() = default;

  // Inputs, read when the run needs them.
  virtual std::string CsvPath() const = 0;          // txtCsvPath
  virtual FilterConditions Conditions() const = 0;  // the eight condition inputs

  // Feedback.
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetMousePointer(MousePointer pointer) = 0;
  virtual MessageBox& Messages() = 0;

  // The result file name of the last run, kept by the host between runs.
  virtual const std::string& OutFileName() const = 0;
  virtual void SetOutFileName(const std::string& name) = 0;

  // Services: the program folder, the clock, and the spreadsheet (nullptr: do not show).
  virtual std::string AppFolder() const = 0;
  virtual const Clock& Time() const = 0;
  virtual SpreadsheetHost* Spreadsheet() = 0;
};

// Runs the filter for the host's inputs. Every failure is shown through host.Messages().
// Answers true when a result file was written whole (the command line reports it).
bool ExecFilter(FilterHost& host);

}  // namespace sorbel
