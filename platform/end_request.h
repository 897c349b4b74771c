// A request from outside to end the program (SIGTERM, SIGINT, SIGHUP: a logout, Ctrl+C, a
// closed terminal): noted, so that a run under way stops at its next step and tidies up.
#pragma once

namespace sorbel {

// Takes the three signals from now on; call once, at the program's start.
void CatchEndRequests();

// True once one of them came.
bool EndRequested();

}  // namespace sorbel
