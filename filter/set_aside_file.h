// The catalogue records a run set aside, written beside its result for the owner: their bytes
// as a CSV of the catalogue's shape, and a report of why each one could not be read.
#pragma once

#include <memory>
#include <string>

#include "platform/database.h"
#include "platform/error.h"

namespace sorbel {

// The two files beside the result "<folder>/<stem>.csv": "<stem>_rejected.csv" (the header
// and the records' bytes exactly as the catalogue holds them, in file order) and
// "<stem>_rejected.txt" (the catalogue's name, then "<line>行目: <reason>" a line each, CR LF,
// in the system code page). They are written under temporary names first and take their
// names together, just before the result takes its own, so that a result never stands
// without them; no file is ever written over.
class SetAsideFiles {
 public:
  // Writes both under temporary names beside `result_path`, the name meant for the result.
  // A failure is kept (Failure()), not thrown: the result goes on without them.
  SetAsideFiles(const SetAsideRecords& set_aside, const std::string& result_path);
  ~SetAsideFiles();  // what took no name is removed
  SetAsideFiles(const SetAsideFiles&) = delete;
  SetAsideFiles& operator=(const SetAsideFiles&) = delete;

  // Both take their names beside the result `result_path`, or neither: false, nothing
  // changed, when a file has one of them. A failure is kept (Failure()) and true answered:
  // the result goes on without them.
  bool PutInPlaceBeside(const std::string& result_path);
  // Gives the names back after the result could not take its own.
  void TakeBack();
  // Why they could not be written, or nullptr.
  const Error* Failure() const { return failure_.get(); }

 private:
  class PendingFile;
  void Fail(const Error& e);

  std::unique_ptr<PendingFile> csv_;
  std::unique_ptr<PendingFile> report_;
  std::unique_ptr<Error> failure_;
};

// True when a file has the name of either set-aside file beside the result `result_path`.
bool SetAsideNamesTaken(const std::string& result_path);

// The warning told once the files are written: how many lines, the first few, and where.
std::string SetAsideWarning(const SetAsideRecords& set_aside, const std::string& result_path);

// The error told when the files could not be written: how many lines, the first few, and `cause`
// (whose number it keeps).
Error SetAsideNotWritten(const SetAsideRecords& set_aside, const Error& cause);

}  // namespace sorbel
