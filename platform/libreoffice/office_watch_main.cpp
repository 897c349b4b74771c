// sorbel-calc-watch PIPE: started by the spreadsheet module for an office it started itself, it
// ends that office once the user has closed the last of its documents, then ends too.
#include <signal.h>

#include "platform/error.h"
#include "platform/libreoffice/office_watch.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  // An office that goes mid-call must not end us by SIGPIPE before we can let go of it.
  ::signal(SIGPIPE, SIG_IGN);
  try {
    sorbel::WatchOffice(argv[1]);
  } catch (const sorbel::Error&) {
    return 1;
  }
  return 0;
}
