// The spreadsheet host kept in a module of its own (libsorbel-calc.so, LibreOffice through
// UNO), loaded at the first display: the program starts and filters without LibreOffice.
#pragma once

#include <memory>
#include <string>

#include "platform/libreoffice/libreoffice_host.h"
#include "platform/spreadsheet_host.h"

namespace sorbel {

// Where the module lies for this program: <its folder>/../lib/sorbel/libsorbel-calc.so, in the
// build folder and when installed alike.
std::string CalcModulePath();

class ModuleSpreadsheetHost : public SpreadsheetHost {
 public:
  explicit ModuleSpreadsheetHost(std::string module_path = CalcModulePath(),
                                 LibreOfficeOptions options = {});
  ~ModuleSpreadsheetHost() override;

  // Loads the module the first time. Throws Error(kErrSpreadsheet) naming the module when it is
  // missing or cannot be loaded, and saying that LibreOffice is missing when its runtime is.
  std::unique_ptr<SpreadsheetApplication> CreateApplication() override;

 private:
  std::string module_path_;
  LibreOfficeOptions options_;
  std::unique_ptr<SpreadsheetHost> host_;  // from the module, once loaded
};

}  // namespace sorbel
