// What a run leaves in the program folder while it works, and what a run that died left there:
// temporary files named after their process and marked in use; a dead run's are litter.
#pragma once

#include <string>

#include "platform/open_file.h"

namespace sorbel {

// Creates a hidden file for writing beside `path`: "." + its name + "." + this process's id +
// "." + a random number + ".tmp", marked in use (OpenFile::MarkInUse). `temp_path` receives
// the name. Throws OsError when it cannot.
OpenFile CreateTemporaryBeside(const std::string& path, std::string& temp_path);

// Removes from `folder` the temporary files of runs that died half-way: only names of the exact
// form CreateTemporaryBeside gives for the staged copy, a result or its set-aside files (and
// the engine's ".sorbel-result.<id>.<number>.tmp" for a large result's rows), whose
// process is gone and that no live process holds a lock on. Failures are ignored; the next
// run tries again.
void RemoveLeftovers(const std::string& folder);

}  // namespace sorbel
