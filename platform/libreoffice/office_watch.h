// The office Sorbel started, ended once the user has closed the last of its documents: a small
// program of its own (sorbel-calc-watch) stays connected, as the programs that show results end.
#pragma once

#include <string>

namespace sorbel {

// Where sorbel-calc-watch lies: beside the module this code is part of (lib/sorbel).
std::string DefaultWatchProgram();

// Starts `program` detached to watch the office on `pipe`. Throws Error when it cannot be run.
void StartOfficeWatch(const std::string& program, const std::string& pipe);

// The watch itself: looks at the office on `pipe` a few times a second and ends it when it holds
// no document (a Start Center left by File > Close counts as none) and nobody else is connected,
// such as a display preparing the next result. Returns when the office has ended or is gone.
void WatchOffice(const std::string& pipe);

}  // namespace sorbel
