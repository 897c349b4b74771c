// The end request on Windows: a console control handler notes Ctrl+C, Ctrl+Break, a closed
// console window, a logoff and a shutdown; the run asks at its steps, as on POSIX.
#include "platform/end_request.h"

#include <windows.h>

#include <atomic>

namespace sorbel {
namespace {

// The handler runs on a thread the system starts, so the note is the process's one piece of
// shared state; lock-free, so any thread may read it.
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

BOOL WINAPI NoteEndRequest(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      requested.store(true, std::memory_order_relaxed);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The system ends the process once the handler returns: it waits instead, so that the
      // run has until the system's time limit to tidy up and end the program itself.
      requested.store(true, std::memory_order_relaxed);
      ::Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void CatchEndRequests() { ::SetConsoleCtrlHandler(NoteEndRequest, TRUE); }

bool EndRequested() { return requested.load(std::memory_order_relaxed); }

}  // namespace sorbel
