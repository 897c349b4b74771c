// ModuleSpreadsheetHost: dlopen at the first display, then everything goes to the module's
// host. The module stays loaded for the program's life: the office's runtime keeps threads.
#include "platform/spreadsheet_module.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/app_folder.h"
#include "platform/error.h"

namespace sorbel {

std::string CalcModulePath() {
  const std::filesystem::path folder = ExecutableFolder();
  return (folder.parent_path() / "lib" / "sorbel" / "libsorbel-calc.so").string();
}

ModuleSpreadsheetHost::ModuleSpreadsheetHost(std::string module_path, LibreOfficeOptions options)
    : module_path_(std::move(module_path)), options_(std::move(options)) {}

ModuleSpreadsheetHost::~ModuleSpreadsheetHost() = default;

namespace {

// The UNO runtime the module is linked with lies in LibreOffice's own folder, where the system
// does not look; loaded first, by path and for all to see, it is there when the module needs it.
// A failure shows when the module itself cannot be loaded.
void LoadUnoRuntime() {
  for (const char* library : {"libuno_sal.so.3", "libuno_salhelpergcc3.so.3", "libuno_cppu.so.3",
                              "libuno_cppuhelpergcc3.so.3"}) {
    ::dlopen((std::string(SORBEL_UNO_LIBRARY_DIR) + "/" + library).c_str(), RTLD_NOW | RTLD_GLOBAL);
  }
}

}  // namespace

std::unique_ptr<SpreadsheetApplication> ModuleSpreadsheetHost::CreateApplication() {
  if (!host_) {
    LoadUnoRuntime();
    void* module = ::dlopen(module_path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* why = ::dlerror();
      throw Error(kErrSpreadsheet,
                  "LibreOffice Calc を起動できません。表計算ソフトにつなぐ部品を読み込めません（" +
                      std::string(why != nullptr ? why : module_path_) +
                      "）。LibreOffice Calc がインストールされているか確かめてください。");
    }
    using Factory = SpreadsheetHost* (*)(const LibreOfficeOptions*);
    auto factory = reinterpret_cast<Factory>(::dlsym(module, "SorbelNewCalcHost"));
    SpreadsheetHost* host = factory != nullptr ? factory(&options_) : nullptr;
    if (host == nullptr) {
      throw Error(kErrSpreadsheet, "LibreOffice Calc を起動できません。部品「" + module_path_ +
                                       "」が正しくありません。Sorbel を入れ直してください。");
    }
    host_.reset(host);
  }
  return host_->CreateApplication();
}

}  // namespace sorbel
