// handoff_bench: one result file handed to Calc through ShowExcel, as the run does it; prints
// the seconds until the window is shown and the peak memory of this process over the hand-off.
// Usage: handoff_bench RESULT CODEPAGE. bench/calc_handoff.sh runs it.
#include <stdio.h>
#include <sys/resource.h>

#include <chrono>
#include <string>

#include "display/spreadsheet_display.h"
#include "platform/error.h"
#include "platform/libreoffice/libreoffice_host.h"

namespace {

class PrintingBox : public sorbel::MessageBox {
 public:
  void Show(const std::string& text, sorbel::MsgBoxIcon, const std::string&) override {
    fprintf(stderr, "handoff_bench: %s\n", text.c_str());
    failed = true;
  }
  bool failed = false;
};

long PeakKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: handoff_bench RESULT CODEPAGE\n");
    return 2;
  }
  try {
    sorbel::LibreOfficeHost host;
    PrintingBox box;
    const long before = PeakKb();
    const auto start = std::chrono::steady_clock::now();
    bool shown = sorbel::ShowExcel(host, box, argv[1], argv[2], sorbel::SheetName({}, argv[1]));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("seconds=%.3f peak_kb=%ld start_kb=%ld\n", seconds, PeakKb(), before);
    return shown && !box.failed ? 0 : 1;
  } catch (const sorbel::Error& e) {
    fprintf(stderr, "handoff_bench: %s\n", e.Report().c_str());
    return 1;
  }
}
