// The catalogue records a run set aside, written beside its result for the owner: their bytes
// as a CSV of the catalogue's shape, and a report of why each one could not be read.
#pragma once

#include <string>

#include "platform/database.h"
#include "platform/error.h"

namespace sorbel {

// For the result "<folder>/<stem>.csv" writes "<folder>/<stem>_rejected.csv" (the header and
// the records' bytes exactly as the catalogue holds them, in file order) and
// "<folder>/<stem>_rejected.txt" (the catalogue's name, then "<line>行目: <reason>" a line each,
// CR LF, in the system code page). Each is written to a temporary file beside it that then
// takes its name. Throws Error naming the file and what failed; neither file is left then.
void WriteSetAsideFiles(const SetAsideRecords& set_aside, const std::string& result_path);

// The warning told once the files are written: how many lines, the first few, and where.
std::string SetAsideWarning(const SetAsideRecords& set_aside, const std::string& result_path);

// The error told when the files could not be written: how many lines, the first few, and `cause`
// (whose number it keeps).
Error SetAsideNotWritten(const SetAsideRecords& set_aside, const Error& cause);

}  // namespace sorbel
