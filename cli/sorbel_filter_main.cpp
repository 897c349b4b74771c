// sorbel-filter: the filter run from the command line, for daily scripted use.
// Message boxes become lines on standard error; the result file's path goes to standard out.
#include <memory>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "filter/filter_run.h"
#include "filter/program_files.h"
#include "platform/app.h"
#include "platform/console.h"
#include "platform/end_request.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/program_arguments.h"
#include "platform/spreadsheet_host.h"

namespace sorbel {
namespace {

// Prints each box as "caption [icon] text" and remembers whether one told of a failure. A
// warning does not: the run warns about a result it wrote whole (lines of the catalogue set
// aside, a sheet smaller than the result); the warning of a path that is no file comes from a
// run that wrote nothing, which ExecFilter's answer tells.
class StderrMessageBox : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override {
    const char* kind = icon == kIconCritical  ? "critical"
                       : icon == kIconWarning ? "warning"
                                              : "info";
    PrintErr(caption + " [" + kind + "] " + text + "\n");
    if (icon != kIconWarning) failed_ = true;
  }
  bool failed() const { return failed_; }

 private:
  bool failed_ = false;
};

class CommandLineHost : public FilterHost {
 public:
  explicit CommandLineHost(const CommandLine& cl) : cl_(cl) {}

  std::string CsvPath() const override { return cl_.csv_path; }
  FilterConditions Conditions() const override { return cl_.conditions; }
  void SetStatusText(const std::string&) override {}
  void SetMousePointer(MousePointer) override {}
  MessageBox& Messages() override { return box_; }
  const std::string& OutFileName() const override { return out_file_name_; }
  void SetOutFileName(const std::string& name) override { out_file_name_ = name; }
  std::string AppFolder() const override { return sorbel::AppFolder(kDataSourceName); }
  const Clock& Time() const override { return clock_; }
  // Without --show the spreadsheet stage is skipped.
  SpreadsheetHost* Spreadsheet() override {
    if (!cl_.show) return nullptr;
    if (!office_) office_ = SystemSpreadsheetHost();
    return office_.get();
  }

  bool failed() const { return box_.failed(); }

 private:
  const CommandLine& cl_;
  StderrMessageBox box_;
  SystemClock clock_;
  std::unique_ptr<SpreadsheetHost> office_;
  std::string out_file_name_;
};

int Main(int argc, char** argv) {
  CommandLine cl;
  try {
    cl = ParseCommandLine(ProgramArguments(argc, argv));
  } catch (const Error& e) {
    PrintErr("sorbel-filter: " + e.Description() + "\n" + UsageText());
    return 2;
  }
  if (cl.help) return PrintOut(UsageText()) ? 0 : 1;
  if (cl.version) return PrintOut(AppCaption() + "\n") ? 0 : 1;
  CommandLineHost host(cl);
  bool written = ExecFilter(host);
  // A path nobody received (output closed early) is a failure for whoever called us.
  const bool told = !written || PrintOut(InFolder(host.AppFolder(), host.OutFileName()) + "\n");
  return host.failed() || !written || !told ? 1 : 0;
}

}  // namespace
}  // namespace sorbel

int main(int argc, char** argv) {
  // A file size limit makes a write fail (and the run say so), not end the program unheard.
  sorbel::KeepWritesFromEndingTheProgram();
  // Ctrl+C, a closed terminal or a TERM stops the run tidily: it fails, and says so.
  sorbel::CatchEndRequests();
  return sorbel::Main(argc, argv);
}
