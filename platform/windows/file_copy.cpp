// The copy on Windows: through a buffer, read at explicit offsets (OpenFile::ReadAt), so that
// another reader of the same handle moving its position meanwhile cannot make it skip or repeat.
#include "platform/file_copy.h"

#include <windows.h>

#include <mutex>
#include <vector>

#include "platform/windows/file_position.h"
#include "platform/windows/win32_error.h"

namespace sorbel {
namespace {

// A stop request is seen after at most one step.
constexpr DWORD kChunk = 1 << 20;

HANDLE H(const OpenFile& file) { return reinterpret_cast<HANDLE>(file.NativeHandle()); }

std::int64_t Position(HANDLE handle) {
  LARGE_INTEGER position{};
  if (!::SetFilePointerEx(handle, LARGE_INTEGER{}, &position, FILE_CURRENT)) {
    throw LastWin32Error();
  }
  return position.QuadPart;
}

}  // namespace

bool CopyRest(OpenFile& from, OpenFile& to, const std::atomic<bool>& stop, std::int64_t& copied) {
  const HANDLE in = H(from);
  const HANDLE out = H(to);
  std::int64_t offset;
  {
    const std::lock_guard hold(FilePositionLock());  // a reader may have moved it
    offset = Position(in);
  }
  std::vector<char> buffer(kChunk);
  bool finished = false;
  while (!stop) {
    const std::size_t n = from.ReadAt(offset, buffer.data(), buffer.size());
    if (n == 0) {
      finished = true;
      break;
    }
    for (DWORD done = 0; done < n;) {
      DWORD w = 0;
      if (!::WriteFile(out, buffer.data() + done, static_cast<DWORD>(n - done), &w, nullptr)) {
        throw LastWin32Error();
      }
      done += w;
    }
    offset += static_cast<std::int64_t>(n);
    copied += static_cast<std::int64_t>(n);
  }
  // Where a copy through the position would have left it.
  LARGE_INTEGER end{};
  end.QuadPart = offset;
  const std::lock_guard hold(FilePositionLock());
  ::SetFilePointerEx(in, end, nullptr, FILE_BEGIN);
  return finished;
}

}  // namespace sorbel
