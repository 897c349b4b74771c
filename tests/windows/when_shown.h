// For tests of modal windows: acts on the next window of a class once it is up, from a timer
// that the modal window's own message loop runs.
#pragma once

#include <functional>

#include "win32/windows_api.h"

namespace sorbel::win32 {

class WhenShown {
 public:
  WhenShown(const wchar_t* window_class, std::function<void(HWND)> act)
      : window_class_(window_class), act_(std::move(act)) {
    // A quit posted by an earlier test's window would end the modal loop at once.
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 30, Tick);
  }
  ~WhenShown() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  WhenShown(const WhenShown&) = delete;
  WhenShown& operator=(const WhenShown&) = delete;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    WhenShown* self = current_;
    if (!self || !self->act_) return;
    HWND shown = ::FindWindowW(self->window_class_, nullptr);
    if (!shown || !::IsWindowVisible(shown)) return;
    auto act = std::move(self->act_);
    self->act_ = nullptr;
    act(shown);
  }

  // One at a time, as modal windows come; a test's own, never the program's.
  static inline WhenShown* current_ = nullptr;
  const wchar_t* window_class_;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
};

}  // namespace sorbel::win32
