// SHGetKnownFolderPath(FOLDERID_Desktop): the shell's answer, which follows a desktop the user
// moved or that lies on a server.
#include "platform/windows/desktop_folder.h"

#include <windows.h>
// After windows.h, which they build on.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/error.h"
#include "platform/windows/wide_text.h"

namespace sorbel {

std::string WindowsDesktopFolder::Path() const {
  PWSTR path = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &path);
  if (FAILED(hr)) {
    ::CoTaskMemFree(path);
    throw Error(kErrUnexpected, "デスクトップのフォルダーがわかりません。");
  }
  std::string folder = Utf8(path);
  ::CoTaskMemFree(path);
  return folder;
}

}  // namespace sorbel
