// The spreadsheet host on LibreOffice Calc: an office found listening on a named pipe, or started
// detached to listen there, and driven through UNO. No UNO type shows in this header.
#pragma once

#include <memory>
#include <string>

#include "platform/spreadsheet_host.h"

namespace sorbel {

struct LibreOfficeOptions {
  // The soffice to start; empty: the installed one, else the first on PATH.
  std::string program;
  // Where the office listens for us; empty: a name for this user's display, so that a later
  // display on the same desktop reuses the office an earlier one started, and another desktop
  // of the same user gets an office of its own.
  std::string pipe_name;
  // The office's user profile folder; empty: the user's own, so a Calc already open is reused,
  // unless the user's own office shows on another display (office_desktop.h).
  std::string profile_dir;
  // No screen: the office draws off-screen (for machines without a display).
  bool headless = false;
  // How long starting the office may take before we give up; a first start with a new profile
  // takes several seconds.
  int start_timeout_ms = 60000;
  // The program that ends an office we started once its last document is closed; empty:
  // sorbel-calc-watch beside the module (office_watch.h).
  std::string watch_program;
};

class LibreOfficeHost : public SpreadsheetHost {
 public:
  explicit LibreOfficeHost(LibreOfficeOptions options = {});
  ~LibreOfficeHost() override;
  LibreOfficeHost(const LibreOfficeHost&) = delete;
  LibreOfficeHost& operator=(const LibreOfficeHost&) = delete;

  // Connects to the office on the pipe, starting one when none listens. Throws Error saying
  // that soffice is missing, could not be started or did not answer in time.
  std::unique_ptr<SpreadsheetApplication> CreateApplication() override;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sorbel
