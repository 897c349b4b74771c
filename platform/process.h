// This process and the others on the machine, and the machine's boot: what tells a live run's
// files from a dead one's, and what a file's note may trust.
#pragma once

#include <string>

namespace sorbel {

// This program's process id.
long ProcessId();

// True when a process with this id lives (or may: one of another user's counts).
bool ProcessLives(long pid);

// Names this boot of the machine, as text without blanks; empty when the system does not tell.
std::string BootId();

// Has a write past the system's file size limit fail (and the run say so) rather than end the
// program unheard; call once, at the program's start.
void KeepWritesFromEndingTheProgram();

}  // namespace sorbel
