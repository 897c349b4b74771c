// The program folder on Windows: the executable's own (GetModuleFileNameW) when it holds the
// data source description, as a portable copy does; else Documents\Sorbel for an installed one.
#include "platform/app.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <shlobj.h>

#include <filesystem>
#include <system_error>

#include "platform/error.h"
#include "platform/windows/wide_text.h"

namespace sorbel {
namespace {

namespace fs = std::filesystem;

fs::path ExecutableFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return fs::current_path();
    if (n < name.size()) {
      name.resize(n);
      return fs::path(name).parent_path();
    }
    name.resize(name.size() * 2);
  }
}

fs::path DocumentsFolder() {
  PWSTR folder = nullptr;
  fs::path documents;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &folder))) {
    documents = folder;
  }
  ::CoTaskMemFree(folder);
  return documents;
}

[[noreturn]] void CannotMake(const fs::path& folder, const std::error_code& ec) {
  const int err = ec.value() != 0 ? ec.value() : EIO;
  throw Error(err, "Sorbel のフォルダー「" + Utf8(folder.wstring()) + "」を用意できません: " +
                       ec.message() + "。フォルダーを作れる場所か、空き容量を確かめてください。");
}

}  // namespace

std::string AppFolder(std::string_view description_name) {
  std::error_code ec;
  const fs::path exe_folder = ExecutableFolder();
  const fs::path name = fs::path(Wide(description_name));
  if (fs::is_regular_file(exe_folder / name, ec)) return Utf8(exe_folder.wstring());
  const fs::path documents = DocumentsFolder();
  if (documents.empty())
    CannotMake("Documents\\Sorbel", std::make_error_code(std::errc::no_such_file_or_directory));
  const fs::path folder = documents / L"Sorbel";
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) {
    CannotMake(folder, ec ? ec : std::make_error_code(std::errc::not_a_directory));
  }
  // The installer puts the shipped description in the program's data folder; the user's copy,
  // to edit if need be, is made from it once.
  if (!fs::exists(folder / name, ec)) {
    fs::copy_file(exe_folder / L"data" / name, folder / name, ec);
    if (ec) CannotMake(folder, ec);
  }
  return Utf8(folder.wstring());
}

}  // namespace sorbel
