// Finding or starting the office for each display: one attempt on the pipe, else soffice started
// detached and a retry loop that gives up at the time limit or soon after soffice has ended.
#include "platform/libreoffice/libreoffice_host.h"

#include <signal.h>

#include <chrono>
#include <functional>
#include <thread>

#include "platform/error.h"
#include "platform/libreoffice/calc_application.h"
#include "platform/libreoffice/office_connection.h"
#include "platform/libreoffice/office_desktop.h"
#include "platform/libreoffice/office_process.h"
#include "platform/libreoffice/office_watch.h"
#include "platform/posix/app_folder.h"

namespace sorbel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kRetryPause = std::chrono::milliseconds(5);
// A soffice that finds an office running with the same profile hands the arguments over and
// ends; the running office then needs a moment to listen on the pipe.
constexpr auto kHandOverGrace = std::chrono::seconds(2);

// "file://" + the folder, for -env:UserInstallation; such folders are plain paths.
std::string ProfileUrl(const std::string& dir) { return "file://" + dir; }

}  // namespace

class LibreOfficeHost::Impl {
 public:
  explicit Impl(LibreOfficeOptions options) : options_(std::move(options)) {
    if (options_.pipe_name.empty()) options_.pipe_name = DesktopPipeName(CurrentDisplay());
    if (options_.watch_program.empty()) options_.watch_program = DefaultWatchProgram();
  }

  // The office on the pipe, and what to do once it shows the user a result.
  std::unique_ptr<SpreadsheetApplication> CreateApplication() {
    std::unique_ptr<OfficeProcess> started;
    std::unique_ptr<OfficeConnection> connection = Connect(started);
    std::function<void()> on_shown;
    if (started) {
      // An office that was running already, the user's own among them, is left alone. One that
      // our soffice handed its arguments to ended that soffice long before a result is shown.
      on_shown = [process = std::shared_ptr<OfficeProcess>(std::move(started)),
                  program = options_.watch_program, pipe = options_.pipe_name] {
        if (process->Running()) StartOfficeWatch(program, pipe);
      };
    }
    return NewCalcApplication(std::move(connection), std::move(on_shown));
  }
  ~Impl() { DisposeLocalContext(local_); }

  // `started` gets the soffice started when none listened.
  std::unique_ptr<OfficeConnection> Connect(std::unique_ptr<OfficeProcess>& started) {
    // Without the office program there is no office to reach either: said plainly first, before
    // the UNO runtime (installed without LibreOffice) fails in words of its own.
    std::string program = FindOffice(options_.program);
    if (!local_.is()) local_ = BootstrapLocalContext();
    if (auto connection = OfficeConnection::TryConnect(local_, options_.pipe_name)) {
      return connection;
    }
    std::vector<std::string> args = {"--nologo", "--norestore", "--nodefault",
                                     AcceptArgument(options_.pipe_name)};
    std::string profile = options_.profile_dir;
    if (profile.empty()) profile = DesktopProfile(CurrentDisplay(), RunningOffices(), ConfigHome());
    if (!profile.empty()) args.push_back("-env:UserInstallation=" + ProfileUrl(profile));
    std::vector<std::string> env;
    if (options_.headless) env.push_back("SAL_USE_VCLPLUGIN=svp");
    started = OfficeProcess::Start(program, args, env);
    OfficeProcess* process = started.get();

    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(options_.start_timeout_ms);
    Clock::time_point ended_by = Clock::time_point::max();
    std::string last_error;
    for (;;) {
      try {
        if (auto connection = OfficeConnection::TryConnect(local_, options_.pipe_name)) {
          return connection;
        }
      } catch (const Error& e) {
        last_error = e.Description();  // answering but not ready yet: try again
      }
      Clock::time_point now = Clock::now();
      if (ended_by == Clock::time_point::max() && !process->Running()) {
        ended_by = now + kHandOverGrace;
      }
      if (now >= ended_by) {
        throw Error(kErrSpreadsheet, "LibreOffice Calc を起動できません。soffice（" + program +
                                         "）が起動の途中で終了しました。");
      }
      if (now >= deadline) {
        process->Stop();
        std::string seconds = std::to_string(options_.start_timeout_ms / 1000);
        throw Error(kErrSpreadsheet, "LibreOffice Calc を起動できません。soffice（" + program +
                                         "）が " + seconds + " 秒以内に応答しませんでした。" +
                                         last_error);
      }
      std::this_thread::sleep_for(kRetryPause);
    }
  }

 private:
  LibreOfficeOptions options_;
  uno::Reference<uno::XComponentContext> local_;
};

LibreOfficeHost::LibreOfficeHost(LibreOfficeOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

LibreOfficeHost::~LibreOfficeHost() = default;

std::unique_ptr<SpreadsheetApplication> LibreOfficeHost::CreateApplication() {
  // The connection writes to a socket without MSG_NOSIGNAL; an office that quits or crashes
  // just before such a write would end this program by SIGPIPE. Ignored, the write fails and
  // the call comes back as an error the program can show.
  ::signal(SIGPIPE, SIG_IGN);
  return impl_->CreateApplication();
}

}  // namespace sorbel
