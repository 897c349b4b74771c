// The result file: its time-stamped name, and OutputResult / MakeCsvText, which write the
// query's records to it as CSV (header line, one line per record, CR LF, system code page).
#pragma once

#include <string>

#include "filter/program_files.h"
#include "filter/set_aside_file.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/message_box.h"

namespace sorbel {

// The first of those names for `time` that no file in `folder` has yet, nor its set-aside files'
// names. Nothing is created: the name appears only when the result is whole (OutputResult).
std::string FreeResultFileName(const std::string& folder, const LocalTime& time);

// Writes the records to a temporary file beside `path`, a few megabytes of text at a time (the
// file is the same as MakeCsvText's text written in one append), and then gives it the name
// `path`, or the next free one of the "_2" rule when a file has that name by then (`path`
// receives the name taken): a file under a result's name is always whole, and no file is
// ever written over. `set_aside` (nullptr for none) takes its names beside the result just
// before the result takes its own. Reports every failure in `box` itself, naming `path`, and
// answers false; the temporary file is gone then. The text is in the system code page;
// characters it lacks are written as "&#N;", and once the result is in place one warning in
// `box` says where and which.
bool OutputResult(ResultRecords& records, std::string& path, MessageBox& box,
                  SetAsideFiles* set_aside = nullptr);

// Which part of the CSV text MakeCsvText makes: with the header line or without, and up to
// about `limit` bytes (at least one record), the rest left for the next call.
struct CsvTextPiece {
  bool with_header = true;
  std::size_t limit = std::string::npos;
};

// The CSV text of the records, from the current record on: header, CR LF, the record lines
// joined by CR LF (by default all of them). A value with a comma, quote, CR or LF is quoted.
// The text replaces rstrCont, in its room (empty after a failure). Reports a failure in `box`
// itself, the description alone, and answers false.
bool MakeCsvText(ResultRecords& records, std::string& rstrCont, MessageBox& box,
                 const CsvTextPiece& piece = {});

}  // namespace sorbel
