// The copy on Windows: through a buffer, read at explicit offsets, so that another reader of
// the same handle moving its position meanwhile cannot make the copy skip or repeat bytes.
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
    const std::lock_guard<std::mutex> hold(FilePositionLock());  // a reader may have moved it
    offset = Position(in);
  }
  std::vector<char> buffer(kChunk);
  bool finished = false;
  while (!stop) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset));
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD n = 0;
    if (!::ReadFile(in, buffer.data(), kChunk, &n, &at)) {
      const DWORD err = ::GetLastError();
      if (err != ERROR_HANDLE_EOF) throw Win32Error(err);
      n = 0;
    }
    if (n == 0) {
      finished = true;
      break;
    }
    for (DWORD done = 0; done < n;) {
      DWORD w = 0;
      if (!::WriteFile(out, buffer.data() + done, n - done, &w, nullptr)) throw LastWin32Error();
      done += w;
    }
    offset += n;
    copied += n;
  }
  // Where a copy through the position would have left it.
  LARGE_INTEGER end{};
  end.QuadPart = offset;
  const std::lock_guard<std::mutex> hold(FilePositionLock());
  ::SetFilePointerEx(in, end, nullptr, FILE_BEGIN);
  return finished;
}

}  // namespace sorbel
