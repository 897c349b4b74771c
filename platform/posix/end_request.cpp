// The end request on POSIX: the signal handler only notes it (all it may safely do); the run
// asks at its steps, and the query engine between the steps of a query.
#include "platform/end_request.h"

#include <signal.h>

#include <initializer_list>

namespace sorbel {
namespace {

// Signals reach the whole process, so their note is the process's one piece of shared state.
volatile sig_atomic_t requested = 0;

extern "C" void NoteEndRequest(int) { requested = 1; }

}  // namespace

void CatchEndRequests() {
  struct sigaction action {};
  action.sa_handler = NoteEndRequest;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool EndRequested() { return requested != 0; }

}  // namespace sorbel
