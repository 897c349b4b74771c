// The end request on POSIX: the signal handler only notes it (all it may safely do); the run
// asks at its steps, and the query engine between the steps of a query.
#include "platform/end_request.h"

#include <signal.h>

#include <atomic>
#include <initializer_list>

namespace sorbel {
namespace {

// Signals reach the whole process, so their note is the process's one piece of shared state;
// lock-free, so the handler may set it and any thread read it.
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void NoteEndRequest(int) { requested.store(true, std::memory_order_relaxed); }

}  // namespace

void CatchEndRequests() {
  struct sigaction action {};
  action.sa_handler = NoteEndRequest;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

bool EndRequested() { return requested.load(std::memory_order_relaxed); }

}  // namespace sorbel
