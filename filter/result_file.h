// The result file: its time-stamped name, and OutputResult / MakeCsvText, which write the
// query's records to it as CSV (header line, one line per record, CR LF, system code page).
#pragma once

#include <string>

#include "fileutil/file_descriptor.h"
#include "platform/clock.h"
#include "platform/database.h"
#include "platform/message_box.h"

namespace sorbel {

// "yyyymmddhhmmss_articles.csv", or "yyyymmddhhmmss_<n>_articles.csv" for n >= 2.
std::string ResultFileName(const LocalTime& time, int n = 1);

// Picks the first name for `time` not yet taken in `folder` and claims it by creating the
// file empty, so that no run ever writes over another run's result. `claim` keeps the empty
// file open and marked in use until the result takes its place. Throws Error naming the file.
std::string ClaimResultFileName(const std::string& folder, const LocalTime& time,
                                FileDescriptor& claim);

// Writes the records to a temporary file beside `path`, a few megabytes of text at a time (the
// file is the same as MakeCsvText's text written in one append), and then gives it the
// name `path` (in place of the empty file that claimed it): a file under the result's name is
// always whole. Reports every failure in `box` itself, naming `path`, and answers false; the
// temporary file is gone then. The text is in the system code page; characters it lacks are
// written as "&#N;", and once the result is in place one warning in `box` says where and which.
bool OutputResult(ResultRecords& records, const std::string& path, MessageBox& box);

// The CSV text of the records, from the current record on: header, CR LF, the record lines
// joined by CR LF. A value with a comma, quote, CR or LF is quoted. Reports failures in `box`.
bool MakeCsvText(ResultRecords& records, std::string& rstrCont, MessageBox& box);

}  // namespace sorbel
