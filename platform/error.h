// The runtime error that travels from a failing step to the one place that shows it.
// It carries a number and a description; OsError builds one from an errno value.
#pragma once

#include <exception>
#include <string>

namespace sorbel {

// Numbers of the program's own errors; OS errors keep their errno value.
enum ErrorNumber : long {
  kErrUsage = 2,               // a command line the program cannot take
  kErrTypeMismatch = 13,       // a text where a whole number was needed
  kErrUnexpected = 51,         // a failure with no number of its own (out of memory, ...)
  kErrDataSource = 3001,       // connection text or data source description unusable
  kErrCsvFile = 3002,          // a table's file cannot be opened or read
  kErrCsvFormat = 3003,        // a table's file is not CSV the reader can take
  kErrQuery = 3004,            // the query engine rejected the query text
  kErrQueryNotAllowed = 3005,  // anything but one read-only SELECT
  kErrNoSuchColumn = 3006,     // the query names a column the table does not have
  kErrStopped = 3007,          // a query or run stopped on a request to end the program
  kErrCodePage = 3100,         // a code page name no converter knows
  kErrSpreadsheet = 3200,      // the spreadsheet application failed
};

class Error : public std::exception {
 public:
  Error(long number, std::string description)
      : number_(number), description_(std::move(description)) {}

  long Number() const { return number_; }
  const std::string& Description() const { return description_; }
  // The report form: number ":" description, no blanks around the colon.
  std::string Report() const { return std::to_string(number_) + ":" + description_; }
  const char* what() const noexcept override { return description_.c_str(); }

 private:
  long number_;
  std::string description_;
};

// The OS's description of errnum in the user's language, as UTF-8.
std::string OsErrorText(int errnum);

// An Error carrying errnum and its description.
inline Error OsError(int errnum) { return Error(errnum, OsErrorText(errnum)); }

}  // namespace sorbel
