// GetOpenFileNameW with the options as its flags; the name buffer takes the longest path
// Windows allows, so a deep folder is never cut short.
#include "platform/windows/file_dialog.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <commdlg.h>

#include <vector>

#include "platform/error.h"
#include "platform/windows/wide_text.h"

namespace sorbel {

std::optional<std::string> WindowsFileDialog::ShowOpen(const OpenFileOptions& options) {
  std::vector<wchar_t> name(32768, L'\0');
  const std::wstring proposed = Wide(options.file_name);
  if (proposed.size() < name.size()) proposed.copy(name.data(), proposed.size());
  // One entry: the description, NUL, the pattern, NUL, and the NUL that ends the list.
  std::wstring filter = Wide(options.filter_name);
  filter.push_back(L'\0');
  filter += Wide(options.filter_pattern);
  filter.push_back(L'\0');
  const std::wstring title = Wide(options.title);
  const std::wstring folder = Wide(options.folder);

  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ::GetActiveWindow();
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = name.data();
  ofn.nMaxFile = static_cast<DWORD>(name.size());
  ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_EXPLORER;
  if (options.keep_current_directory) ofn.Flags |= OFN_NOCHANGEDIR;
  if (options.must_exist) ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!options.read_only_box) ofn.Flags |= OFN_HIDEREADONLY;
  if (::GetOpenFileNameW(&ofn)) return Utf8(name.data());
  const DWORD code = ::CommDlgExtendedError();
  if (code == 0) return std::nullopt;  // the user cancelled
  throw Error(kErrUnexpected, "ファイルを選ぶ画面を開けませんでした（コード " +
                                  std::to_string(code) +
                                  "）。CSV ファイルのパスを直接入力してください。");
}

}  // namespace sorbel
