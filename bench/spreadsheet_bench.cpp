// spreadsheet_bench: how long a result takes to reach the user in Calc, through UNO (ShowExcel)
// and through soffice opening the file itself (--infilter, -n), with the office running and not.
// Usage: spreadsheet_bench [ROWS] [RUNS]. bench/spreadsheet_bench.sh runs it.
#include <stdlib.h>
#include <unistd.h>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "filter/spreadsheet_display.h"
#include "platform/error.h"
#include "platform/libreoffice/libreoffice_host.h"
#include "platform/libreoffice/office_connection.h"
#include "platform/libreoffice/office_process.h"

namespace sorbel {
namespace {

namespace awt = com::sun::star::awt;
namespace container = com::sun::star::container;
namespace frame = com::sun::star::frame;
namespace sheet = com::sun::star::sheet;
using Clock = std::chrono::steady_clock;

constexpr int kColumns = 33;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A result shaped like a catalogue's: codes with leading zeros, JAN codes, Japanese text,
// quoted values with commas.
void WriteResult(const std::string& path, int rows) {
  std::ofstream out(path, std::ios::binary);
  for (int c = 0; c < kColumns; ++c) out << (c ? "," : "") << "列" << c + 1;
  out << "\r\n";
  for (int r = 1; r <= rows; ++r) {
    char code[16];
    std::snprintf(code, sizeof code, "%06d", r);
    out << code << ",【限定】商品" << r << " ①㈱髙,\"1,980\",49012345" << (10000 + r % 90000);
    for (int c = 4; c < kColumns; ++c) out << ",値" << (r * 7 + c) % 1000 << "テキスト";
    out << "\r\n";
  }
}

// Office processes, not yet ended, started with this profile.
int OfficeProcesses(const std::string& profile) {
  const std::string mark = "UserInstallation=file://" + profile;
  int count = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream cmdline_file(entry.path() / "cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(cmdline_file)),
                        std::istreambuf_iterator<char>());
    std::ifstream stat_file(entry.path() / "stat");
    std::string stat;
    std::getline(stat_file, stat);
    size_t paren = stat.rfind(')');
    bool zombie = paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z';
    if (cmdline.find(mark) != std::string::npos && !zombie) ++count;
  }
  return count;
}

class NullBox : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon, const std::string&) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
};

// The bench's own connection to the office: watches for the result, tidies up between runs.
// It is never used while ShowExcel runs: letting go of one bridge breaks calls in flight on
// another one in the same process.
class Watcher {
 public:
  explicit Watcher(std::string pipe) : pipe_(std::move(pipe)), local_(BootstrapLocalContext()) {}
  ~Watcher() {
    desktop_.clear();
    connection_.reset();
    DisposeLocalContext(local_);
  }

  // The window of a shown spreadsheet document holding `rows` records below its header, or an
  // empty reference. One connection is kept, so that looking does not slow the office down.
  uno::Reference<awt::XWindow2> ShownResult(int rows) {
    if (!desktop_.is()) {
      connection_ = OfficeConnection::TryConnect(local_, pipe_);
      if (!connection_) return {};
      desktop_ = frame::Desktop::create(connection_->Remote());
    }
    try {
      auto all = desktop_->getComponents()->createEnumeration();
      while (all->hasMoreElements()) {
        uno::Reference<sheet::XSpreadsheetDocument> document(all->nextElement(), uno::UNO_QUERY);
        if (!document.is()) continue;
        uno::Reference<sheet::XSpreadsheet> first(
            uno::Reference<container::XIndexAccess>(document->getSheets(), uno::UNO_QUERY_THROW)
                ->getByIndex(0),
            uno::UNO_QUERY_THROW);
        uno::Reference<com::sun::star::text::XText> last(first->getCellByPosition(0, rows),
                                                         uno::UNO_QUERY_THROW);
        uno::Reference<frame::XController> controller(
            uno::Reference<frame::XModel>(document, uno::UNO_QUERY_THROW)->getCurrentController(),
            uno::UNO_SET_THROW);
        uno::Reference<awt::XWindow2> window(
            uno::Reference<frame::XFrame>(controller->getFrame(), uno::UNO_SET_THROW)
                ->getContainerWindow(),
            uno::UNO_QUERY_THROW);
        if (!last->getString().isEmpty() && window->isVisible()) return window;
      }
    } catch (const uno::Exception&) {
      // Still loading; look again.
    }
    return {};
  }

  // Closes every document; with `end`, ends the office and waits until nothing of it is left.
  void Tidy(bool end, const std::string& profile) {
    desktop_.clear();
    connection_.reset();
    if (auto connection = OfficeConnection::TryConnect(local_, pipe_)) {
      auto desktop = frame::Desktop::create(connection->Remote());
      auto all = desktop->getComponents()->createEnumeration();
      while (all->hasMoreElements()) {
        uno::Reference<com::sun::star::util::XCloseable> c(all->nextElement(), uno::UNO_QUERY);
        if (c.is()) c->close(true);
      }
      if (end) {
        try {
          desktop->terminate();
        } catch (const uno::RuntimeException&) {
          // The bridge may break as the office goes.
        }
      }
    }
    if (!end) return;
    // Not just the lock file: a soffice started next would otherwise hand its work to an office
    // on its way out.
    for (int i = 0;
         i < 600 && (std::filesystem::exists(profile + "/.lock") || OfficeProcesses(profile) > 0);
         ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

 private:
  std::string pipe_;
  uno::Reference<uno::XComponentContext> local_;
  std::unique_ptr<OfficeConnection> connection_;
  uno::Reference<frame::XDesktop2> desktop_;
};

struct Setup {
  LibreOfficeOptions options;
  std::string result;
  int rows = 0;
  // One host for the whole bench, as the program keeps one for its lifetime.
  std::unique_ptr<LibreOfficeHost> host;
};

// Until ShowExcel returns: the window is shown, in front, with the result in it.
double ThroughUno(Setup& s) {
  NullBox box;
  Clock::time_point start = Clock::now();
  if (!ShowExcel(*s.host, box, s.result, "UTF-8")) {
    throw Error(kErrSpreadsheet, "ShowExcel failed");
  }
  return Since(start);
}

// Until the watcher sees the result shown and has brought its window to front, as ShowExcel
// does at its end.
double ThroughSoffice(Setup& s, Watcher& watcher) {
  std::string columns;
  for (int c = 1; c <= kColumns; ++c) columns += (c > 1 ? "/" : "") + std::to_string(c) + "/2";
  Clock::time_point start = Clock::now();
  auto process = OfficeProcess::Start(
      FindOffice(""),
      {"--nologo", "--norestore", "--nodefault", AcceptArgument(s.options.pipe_name),
       "-env:UserInstallation=file://" + s.options.profile_dir, "--calc",
       "--infilter=Text - txt - csv (StarCalc):44,34,76,1," + columns, "-n", s.result},
      {"SAL_USE_VCLPLUGIN=svp"});
  for (;;) {
    uno::Reference<awt::XWindow2> window = watcher.ShownResult(s.rows);
    if (window.is()) {
      uno::Reference<awt::XTopWindow>(window, uno::UNO_QUERY_THROW)->toFront();
      return Since(start);
    }
    if (Since(start) > 120) throw Error(kErrSpreadsheet, "soffice never showed the result");
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Both routes, office not running and running; true when the UNO route is not slower.
bool Compare(Setup& s, Watcher& watcher, int runs) {
  // The first start makes the profile; it is not what a user waits for after the first day.
  ThroughUno(s);
  watcher.Tidy(true, s.options.profile_dir);

  std::printf(
      "%d rows x %d columns, %.1f MB; seconds until the window is up, in front, with the"
      " result; best and median of %d runs\n",
      s.rows, kColumns, std::filesystem::file_size(s.result) / 1e6, runs);
  bool slower = false;
  for (bool running : {false, true}) {
    std::vector<double> uno, soffice;
    if (running) ThroughUno(s);  // an office to hand over to
    watcher.Tidy(!running, s.options.profile_dir);
    for (int i = 0; i < runs; ++i) {
      uno.push_back(ThroughUno(s));
      watcher.Tidy(!running, s.options.profile_dir);
      soffice.push_back(ThroughSoffice(s, watcher));
      watcher.Tidy(!running, s.options.profile_dir);
    }
    const char* when = running ? "office running    " : "office not running";
    std::printf("%s  UNO (ShowExcel)   best %6.3f s  median %6.3f s\n", when,
                *std::min_element(uno.begin(), uno.end()), Median(uno));
    std::printf("%s  soffice -n file   best %6.3f s  median %6.3f s\n", when,
                *std::min_element(soffice.begin(), soffice.end()), Median(soffice));
    slower = slower || Median(uno) > Median(soffice) * 1.05;
  }
  std::printf(slower ? "UNO route SLOWER than soffice\n" : "UNO route not slower than soffice\n");
  return !slower;
}

int Run(int rows, int runs) {
  char dir[] = "/tmp/sorbel-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 2;
  Setup s;
  s.rows = rows;
  s.result = std::string(dir) + "/result.csv";
  s.options.profile_dir = std::string(dir) + "/profile";
  s.options.pipe_name = "sorbel_bench_" + std::to_string(getpid());
  s.options.headless = true;
  s.host = std::make_unique<LibreOfficeHost>(s.options);
  WriteResult(s.result, rows);
  Watcher watcher(s.options.pipe_name);
  int status = 2;
  try {
    status = Compare(s, watcher, runs) ? 0 : 1;
  } catch (const Error& e) {
    std::fprintf(stderr, "spreadsheet_bench: %s\n", e.Report().c_str());
  }
  watcher.Tidy(true, s.options.profile_dir);
  s.host.reset();
  std::filesystem::remove_all(dir);
  return status;
}

}  // namespace
}  // namespace sorbel

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  return sorbel::Run(rows, runs);
}
