// The test office's own connection: reads documents and how they look, closes them and ends the
// office, then watches /proc and the lock file until nothing of it is left.
#include "tests/platform/libreoffice/office_probe.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XUnnamedDatabaseRanges.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/sheet/XViewFreezable.hpp>
#include <com/sun/star/sheet/XViewSplitable.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/libreoffice/office_connection.h"
#include "platform/libreoffice/office_process.h"
#include "platform/libreoffice/uno_text.h"

namespace sorbel {
namespace {

namespace beans = com::sun::star::beans;
namespace frame = com::sun::star::frame;
namespace sheet = com::sun::star::sheet;
namespace table = com::sun::star::table;
using com::sun::star::awt::XWindow2;
using com::sun::star::text::XText;
using com::sun::star::util::XCloseable;
using com::sun::star::util::XModifiable;

// A connection of the test's own to the office; empty when none listens.
struct Probe {
  explicit Probe(const std::string& pipe) : local(BootstrapLocalContext()) {
    connection = OfficeConnection::TryConnect(local, pipe);
    if (connection) desktop = frame::Desktop::create(connection->Remote());
  }
  ~Probe() {
    desktop.clear();
    connection.reset();
    DisposeLocalContext(local);
  }

  std::vector<uno::Reference<uno::XInterface>> Components() {
    std::vector<uno::Reference<uno::XInterface>> out;
    if (!desktop.is()) return out;
    auto e = desktop->getComponents()->createEnumeration();
    while (e->hasMoreElements()) {
      out.emplace_back(e->nextElement(), uno::UNO_QUERY);
    }
    return out;
  }

  uno::Reference<uno::XComponentContext> local;
  std::unique_ptr<OfficeConnection> connection;
  uno::Reference<frame::XDesktop2> desktop;
};

// A cell's language for one script, as "ja-JP".
std::string LanguageOf(const uno::Reference<beans::XPropertySet>& cell, const char* property) {
  com::sun::star::lang::Locale locale;
  cell->getPropertyValue(rtl::OUString::createFromAscii(property)) >>= locale;
  std::string tag = FromOUString(locale.Language);
  if (!locale.Country.isEmpty()) tag += "-" + FromOUString(locale.Country);
  return tag;
}

SeenDocument Read(const uno::Reference<sheet::XSpreadsheetDocument>& document) {
  SeenDocument seen;
  auto sheets = document->getSheets();
  for (const auto& name : sheets->getElementNames()) seen.sheet_names.push_back(FromOUString(name));
  uno::Reference<com::sun::star::container::XIndexAccess> all(sheets, uno::UNO_QUERY_THROW);
  uno::Reference<sheet::XSpreadsheet> last(all->getByIndex(all->getCount() - 1),
                                           uno::UNO_QUERY_THROW);
  auto cursor = last->createCursor();
  uno::Reference<sheet::XUsedAreaCursor>(cursor, uno::UNO_QUERY_THROW)->gotoEndOfUsedArea(false);
  auto end =
      uno::Reference<sheet::XCellRangeAddressable>(cursor, uno::UNO_QUERY_THROW)->getRangeAddress();
  // The whole used area in one call; a string is a text cell, a number comes as a double.
  auto used = last->getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow);
  for (const auto& row :
       uno::Reference<sheet::XCellRangeData>(used, uno::UNO_QUERY_THROW)->getDataArray()) {
    seen.cells.emplace_back();
    seen.is_text.emplace_back();
    for (const uno::Any& value : row) {
      rtl::OUString text;
      bool is_text = value >>= text;
      seen.cells.back().push_back(is_text ? FromOUString(text) : "(number)");
      seen.is_text.back().push_back(is_text);
    }
  }
  seen.formulas = uno::Reference<sheet::XCellRangesQuery>(used, uno::UNO_QUERY_THROW)
                      ->queryContentCells(sheet::CellFlags::FORMULA)
                      ->getCount() > 0;
  // Every used row as high as the first row nothing was put in.
  uno::Reference<table::XTableRows> rows =
      uno::Reference<table::XColumnRowRange>(last, uno::UNO_QUERY_THROW)->getRows();
  auto height = [&](sal_Int32 row) {
    sal_Int32 h = 0;
    uno::Reference<beans::XPropertySet>(rows->getByIndex(row), uno::UNO_QUERY_THROW)
        ->getPropertyValue("Height") >>= h;
    return h;
  };
  const sal_Int32 empty_height = height(end.EndRow + 1);
  seen.one_line_rows = true;
  for (sal_Int32 row = 0; row <= end.EndRow; ++row) {
    seen.one_line_rows = seen.one_line_rows && height(row) == empty_height;
  }
  uno::Reference<beans::XPropertySet> a1(last->getCellByPosition(0, 0), uno::UNO_QUERY_THROW);
  seen.language = LanguageOf(a1, "CharLocale");
  seen.asian_language = LanguageOf(a1, "CharLocaleAsian");
  uno::Reference<table::XTableColumns> columns =
      uno::Reference<table::XColumnRowRange>(last, uno::UNO_QUERY_THROW)->getColumns();
  for (sal_Int32 column = 0; column <= end.EndColumn; ++column) {
    sal_Int32 w = 0;
    uno::Reference<beans::XPropertySet>(columns->getByIndex(column), uno::UNO_QUERY_THROW)
        ->getPropertyValue("Width") >>= w;
    seen.column_widths.push_back(w);
  }
  uno::Reference<sheet::XUnnamedDatabaseRanges> filters(
      uno::Reference<beans::XPropertySet>(document, uno::UNO_QUERY_THROW)
          ->getPropertyValue("UnnamedDatabaseRanges"),
      uno::UNO_QUERY_THROW);
  const sal_Int16 index = static_cast<sal_Int16>(all->getCount() - 1);
  if (filters->hasByTable(index)) {
    uno::Reference<beans::XPropertySet>(filters->getByTable(index), uno::UNO_QUERY_THROW)
        ->getPropertyValue("AutoFilter") >>= seen.autofilter;
  }
  uno::Reference<frame::XModel> model(document, uno::UNO_QUERY_THROW);
  uno::Reference<frame::XController> controller(model->getCurrentController(), uno::UNO_SET_THROW);
  uno::Reference<XWindow2> window(
      uno::Reference<frame::XFrame>(controller->getFrame(), uno::UNO_SET_THROW)
          ->getContainerWindow(),
      uno::UNO_QUERY_THROW);
  seen.visible = window->isVisible();
  seen.title = FromOUString(uno::Reference<frame::XTitle>(model, uno::UNO_QUERY_THROW)->getTitle());
  uno::Reference<sheet::XViewFreezable> view(controller, uno::UNO_QUERY);
  seen.frozen_header = view.is() && view->hasFrozenPanes();
  if (seen.frozen_header) {
    // The one call that says where the split is; deprecated without a successor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    seen.frozen_rows =
        uno::Reference<sheet::XViewSplitable>(view, uno::UNO_QUERY_THROW)->getSplitRow();
#pragma GCC diagnostic pop
  }
  seen.saved = !model->getURL().isEmpty();
  seen.modified = uno::Reference<XModifiable>(model, uno::UNO_QUERY_THROW)->isModified();
  return seen;
}

// A file of /proc, or "" once the process is gone. Read with plain calls: a stream throws
// when the process ends while its file is read.
std::string ProcText(const std::string& path) {
  std::string text;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

bool Ended(const std::string& pid) {
  const std::string line = ProcText("/proc/" + pid + "/stat");
  if (line.empty()) return true;
  size_t paren = line.rfind(')');
  return paren == std::string::npos || paren + 2 >= line.size() || line[paren + 2] == 'Z';
}

// A child in a session of its own, holding none of our descriptors (CTest waits for its pipes),
// that waits for this process to go and then ends what is left of the office and its folder.
int StartWatchdog(const std::string& profile_dir) {
  const std::string mark = "UserInstallation=file://" + profile_dir;
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid != 0) return pid;
  setsid();
  int null_fd = open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) dup2(null_fd, fd);
  close_range(3, ~0U, 0);
  while (getppid() == parent) usleep(200 * 1000);
  for (int round = 0; round < 50; ++round) {
    std::vector<int> left = ProcessesWith(mark);
    if (left.empty()) break;
    for (int office : left) kill(office, round < 25 ? SIGTERM : SIGKILL);
    usleep(200 * 1000);
  }
  std::error_code ignored;
  std::filesystem::remove_all(profile_dir, ignored);
  _exit(0);
}

}  // namespace

TestOffice::TestOffice() {
  char dir[] = "/tmp/sorbel-office-XXXXXX";
  if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp failed");
  profile_dir_ = dir;
  pipe_name_ = "sorbel_test_" + std::to_string(getpid()) + "_" + profile_dir_.substr(19);
  watchdog_ = StartWatchdog(profile_dir_);
}

TestOffice::~TestOffice() {
  try {
    End();
  } catch (...) {
    // The folder is removed all the same.
  }
  std::error_code ignored;
  std::filesystem::remove_all(profile_dir_, ignored);
  if (watchdog_ > 0) {
    kill(watchdog_, SIGKILL);
    waitpid(watchdog_, nullptr, 0);
  }
}

LibreOfficeOptions TestOffice::Options() const {
  LibreOfficeOptions options;
  options.pipe_name = pipe_name_;
  options.profile_dir = profile_dir_;
  options.headless = true;
  options.start_timeout_ms = 120000;
  options.watch_program = SORBEL_CALC_WATCH;
  return options;
}

void TestOffice::StartAsUser() {
  // Started as LibreOfficeHost would, without --nodefault, and not through it: not Sorbel's.
  OfficeProcess::Start(FindOffice(""),
                       {"--nologo", "--norestore", AcceptArgument(pipe_name_),
                        "-env:UserInstallation=file://" + profile_dir_},
                       {"SAL_USE_VCLPLUGIN=svp"});
  for (int i = 0; i < 1200; ++i) {
    Probe probe(pipe_name_);
    if (probe.desktop.is()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  throw std::runtime_error("the user's office did not start");
}

void TestOffice::AddUsersDocument(const std::string& title) {
  Probe probe(pipe_name_);
  uno::Reference<frame::XComponentLoader> loader(probe.desktop, uno::UNO_QUERY_THROW);
  uno::Reference<frame::XModel> model(
      loader->loadComponentFromURL("private:factory/scalc", "_blank", 0, {}), uno::UNO_QUERY_THROW);
  uno::Reference<frame::XTitle>(model, uno::UNO_QUERY_THROW)->setTitle(ToOUString(title));
  uno::Reference<XModifiable>(model, uno::UNO_QUERY_THROW)->setModified(true);
}

void TestOffice::CloseAsUser(const std::string& title) {
  Probe probe(pipe_name_);
  for (const auto& component : probe.Components()) {
    uno::Reference<frame::XModel> model(component, uno::UNO_QUERY);
    if (!model.is() ||
        FromOUString(uno::Reference<frame::XTitle>(model, uno::UNO_QUERY_THROW)->getTitle()) !=
            title) {
      continue;
    }
    // The user answered "don't save"; the menu's command then closes as it always does.
    uno::Reference<XModifiable>(model, uno::UNO_QUERY_THROW)->setModified(false);
    uno::Reference<frame::XDispatchProvider> frame(model->getCurrentController()->getFrame(),
                                                   uno::UNO_QUERY_THROW);
    frame::DispatchHelper::create(probe.local)->executeDispatch(frame, ".uno:CloseDoc", "", 0, {});
    return;
  }
  throw std::runtime_error("no document titled " + title);
}

int TestOffice::StartCenters() {
  Probe probe(pipe_name_);
  if (!probe.desktop.is()) return 0;
  uno::Reference<com::sun::star::container::XIndexAccess> frames(probe.desktop->getFrames(),
                                                                 uno::UNO_QUERY_THROW);
  int count = 0;
  for (sal_Int32 i = 0; i < frames->getCount(); ++i) {
    uno::Reference<frame::XFrame> f(frames->getByIndex(i), uno::UNO_QUERY_THROW);
    uno::Reference<frame::XController> controller = f->getController();
    if (controller.is() && !controller->getModel().is()) ++count;
  }
  return count;
}

std::vector<SeenDocument> TestOffice::Documents() {
  Probe probe(pipe_name_);
  std::vector<SeenDocument> out;
  for (const auto& component : probe.Components()) {
    uno::Reference<sheet::XSpreadsheetDocument> document(component, uno::UNO_QUERY);
    if (document.is()) out.push_back(Read(document));
  }
  return out;
}

void TestOffice::CloseDocuments() {
  Probe probe(pipe_name_);
  for (const auto& component : probe.Components()) {
    uno::Reference<XCloseable> closeable(component, uno::UNO_QUERY);
    if (closeable.is()) closeable->close(true);
  }
}

void TestOffice::End() {
  {
    Probe probe(pipe_name_);
    if (probe.desktop.is()) {
      // Closed first: a modified document would make the office ask, and wait for ever.
      for (const auto& component : probe.Components()) {
        uno::Reference<XCloseable> closeable(component, uno::UNO_QUERY);
        if (closeable.is()) closeable->close(true);
      }
      try {
        probe.desktop->terminate();
      } catch (const uno::RuntimeException&) {
        // The bridge may break as the office goes; that is the end wanted.
      }
    }
  }
  WaitLockGone(30000);
  for (int i = 0; i < 300 && Processes() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

std::vector<int> ProcessesWith(const std::string& text) {
  std::vector<int> pids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string cmdline = ProcText(entry.path() / "cmdline");
    if (cmdline.find(text) != std::string::npos && !Ended(pid)) pids.push_back(std::stoi(pid));
  }
  return pids;
}

int TestOffice::Processes() const {
  return static_cast<int>(ProcessesWith("UserInstallation=file://" + profile_dir_).size());
}

bool TestOffice::WaitLockGone(int timeout_ms) const {
  const std::string lock = profile_dir_ + "/.lock";
  for (int waited = 0; waited < timeout_ms; waited += 50) {
    if (!std::filesystem::exists(lock)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return !std::filesystem::exists(lock);
}

}  // namespace sorbel
