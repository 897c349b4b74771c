// ModuleSpreadsheetHost: dlopen at the first display, then everything goes to the module's
// host. The module stays loaded for the program's life: the office's runtime keeps threads.
#include "platform/libreoffice/spreadsheet_module.h"

#include <dlfcn.h>

#include <filesystem>

#include "platform/error.h"
#include "platform/posix/app_folder.h"

namespace sorbel {

std::string CalcModulePath() {
  const std::filesystem::path folder = ExecutableFolder();
  return (folder.parent_path() / "lib" / "sorbel" / "libsorbel-calc.so").string();
}

ModuleSpreadsheetHost::ModuleSpreadsheetHost(std::string module_path, LibreOfficeOptions options)
    : module_path_(std::move(module_path)), options_(std::move(options)) {}

ModuleSpreadsheetHost::~ModuleSpreadsheetHost() = default;

namespace {

constexpr char kUnoLibraries[][28] = {"libuno_sal.so.3", "libuno_salhelpergcc3.so.3",
                                      "libuno_cppu.so.3", "libuno_cppuhelpergcc3.so.3"};

// The UNO runtime the module is linked with lies in LibreOffice's own folder, where the system
// does not look; loaded first, by path and for all to see, it is there when the module needs it.
// False when a library is missing: LibreOffice is not installed.
bool LoadUnoRuntime() {
  for (const char* library : kUnoLibraries) {
    const std::string path = std::string(SORBEL_UNO_LIBRARY_DIR) + "/" + library;
    if (::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL) == nullptr) return false;
  }
  return true;
}

// The module is Sorbel's own file, not LibreOffice's: told apart, so that the owner reinstalls
// Sorbel or copies the file instead of looking for a LibreOffice that is there.
Error MissingModule(const std::string& module_path) {
  const std::filesystem::path path(module_path);
  return Error(kErrSpreadsheet, "結果を表計算ソフトで表示できません。表計算ソフトにつなぐ部品「" +
                                    path.filename().string() + "」が「" +
                                    path.parent_path().string() +
                                    "」にありません。Sorbel を入れ直すか、この部品をそのフォルダー"
                                    "にコピーしてください。");
}

}  // namespace

std::unique_ptr<SpreadsheetApplication> ModuleSpreadsheetHost::CreateApplication() {
  if (!host_) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(module_path_, error)) throw MissingModule(module_path_);
    if (!LoadUnoRuntime()) {
      throw Error(kErrSpreadsheet,
                  "LibreOffice Calc を起動できません。LibreOffice の実行環境（" +
                      std::string(SORBEL_UNO_LIBRARY_DIR) +
                      "）が見つかりません。LibreOffice Calc がインストールされているか確かめて"
                      "ください。");
    }
    void* module = ::dlopen(module_path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    const char* why = module == nullptr ? ::dlerror() : nullptr;
    using Factory = SpreadsheetHost* (*)(const LibreOfficeOptions*);
    auto factory = module != nullptr
                       ? reinterpret_cast<Factory>(::dlsym(module, "SorbelNewCalcHost"))
                       : nullptr;
    SpreadsheetHost* host = factory != nullptr ? factory(&options_) : nullptr;
    if (host == nullptr) {
      throw Error(kErrSpreadsheet, "結果を表計算ソフトで表示できません。部品「" + module_path_ +
                                       "」が正しくありません" +
                                       (why != nullptr ? "（" + std::string(why) + "）" : "") +
                                       "。Sorbel を入れ直してください。");
    }
    host_.reset(host);
  }
  return host_->CreateApplication();
}

std::unique_ptr<SpreadsheetHost> SystemSpreadsheetHost() {
  return std::make_unique<ModuleSpreadsheetHost>();
}

}  // namespace sorbel
