// The box is a popup window with a thin border and no caption, owned by the main window (so it
// stays out of the taskbar), with its own modal loop; Esc and Enter reach no button of it.
#include "win32/frm_about.h"

#include <commctrl.h>

#include <string>

#include "front/about_form.h"
#include "platform/app.h"
#include "platform/windows/wide_text.h"
#include "win32/control_ids.h"
#include "win32/program_icon.h"
#include "win32/twips.h"
#include "win32/ui_font.h"

namespace sorbel::win32 {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;

struct frmAbout {
  BrowserLauncher& browser;
  MessageBox& messages;
  HICON icon;
  unsigned dpi = 96;
  Font font;
  Font family_font;
  bool done = false;
};

HWND MakeControl(HWND parent, const wchar_t* window_class, const std::wstring& text, DWORD style,
                 int id, const Twips& s, const TwipsRect& place, HFONT font) {
  const PixelRect p = s.Rect(place);
  HWND control = ::CreateWindowExW(0, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                                   p.left, p.top, p.width, p.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// The family caption at its size, or as much smaller as it takes to fit its cell: the Japanese
// faces at hand may run wider than the one it was sized for.
Font FittingFont(const std::wstring& face, const std::wstring& text, unsigned dpi, int width) {
  HDC dc = ::GetDC(nullptr);
  Font font;
  for (double points = kAboutFamilyPoints; points >= 8; points -= 0.25) {
    font = MakeFont(face, points, dpi);
    HGDIOBJ old = ::SelectObject(dc, font.get());
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    if (size.cx <= width) break;
  }
  ::ReleaseDC(nullptr, dc);
  return font;
}

void MakeAboutControls(HWND box, frmAbout& about) {
  const Twips s(about.dpi);
  const std::wstring face = JapaneseFace();
  about.font = MakeFont(face, kAboutPoints, about.dpi);
  const std::wstring family = Wide(kAboutFamily);
  about.family_font = FittingFont(face, family, about.dpi, s.Px(kAboutLblProject.width));
  HFONT font = about.font.get();
  // In tab order; the labels take no focus.
  MakeControl(box, WC_STATICW, family, SS_LEFT | SS_NOPREFIX, -1, s, kAboutLblProject,
              about.family_font.get());
  MakeControl(box, WC_STATICW, Wide(kAboutTitleLabel), SS_LEFT, -1, s, kAboutLblSeihinmei, font);
  MakeControl(box, WC_EDITW, Wide(kAppTitle), WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
              kAboutTxtSeihinmei, s, sorbel::kAboutTxtSeihinmei, font);
  MakeControl(box, WC_STATICW, Wide(kAboutVersionLabel), SS_LEFT, -1, s, kAboutLabel1, font);
  MakeControl(box, WC_EDITW, Wide(AppVersionText()), WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
              kAboutTxtVersion, s, sorbel::kAboutTxtVersion, font);
  // The buttons lie on the borderless fraButton, placed here by its offset.
  const auto on_frame = [](TwipsRect r) {
    return TwipsRect{kAboutFraButton.left + r.left, kAboutFraButton.top + r.top, r.width, r.height};
  };
  MakeControl(box, WC_BUTTONW, Wide(kAboutUrlButton), WS_TABSTOP | BS_PUSHBUTTON, kAboutCmdUrl, s,
              on_frame(sorbel::kAboutCmdUrl), font);
  MakeControl(box, WC_BUTTONW, Wide(kAboutOkButton), WS_TABSTOP | BS_PUSHBUTTON, kAboutCmdOk, s,
              on_frame(sorbel::kAboutCmdOk), font);
}

void PaintAbout(HWND box, const frmAbout& about) {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(box, &paint);
  const Twips s(about.dpi);
  const PixelRect i = s.Rect(kAboutImage1);
  ::DrawIconEx(dc, i.left, i.top, about.icon, i.width, i.height, 0, nullptr, DI_NORMAL);
  const RECT rule = {0, s.Px(kAboutLineTop), s.Px(kAboutLineRight) + 1, s.Px(kAboutLineTop) + 1};
  ::FillRect(dc, &rule, ::GetSysColorBrush(COLOR_BTNSHADOW));
  ::EndPaint(box, &paint);
}

LRESULT CALLBACK AboutProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(
        box, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
  }
  auto* about = reinterpret_cast<frmAbout*>(::GetWindowLongPtrW(box, GWLP_USERDATA));
  if (!about) return ::DefWindowProcW(box, message, wparam, lparam);
  switch (message) {
    case WM_PAINT:
      PaintAbout(box, *about);
      return 0;
    case WM_CTLCOLORSTATIC: {
      // Labels and the read-only fields on the button face, as the box itself.
      HDC dc = reinterpret_cast<HDC>(wparam);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED || lparam == 0) return 0;  // not Esc's IDCANCEL
      if (LOWORD(wparam) == kAboutCmdOk) {
        about->done = true;
      } else if (LOWORD(wparam) == kAboutCmdUrl && !about->browser.Open(kSupportPageUrl)) {
        about->messages.Show(SupportPageNotOpened(), kIconWarning, kAppTitle);
      }
      return 0;
    case WM_CLOSE:
      return 0;  // only OK closes the box
    default:
      break;
  }
  return ::DefWindowProcW(box, message, wparam, lparam);
}

void RegisterAboutClass(HINSTANCE instance) {
  WNDCLASSEXW about_class = {};
  if (::GetClassInfoExW(instance, kAboutClass, &about_class)) return;
  about_class.cbSize = sizeof about_class;
  about_class.lpfnWndProc = AboutProc;
  about_class.hInstance = instance;
  about_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  about_class.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
  about_class.lpszClassName = kAboutClass;
  ::RegisterClassExW(&about_class);
}

}  // namespace

void ShowAboutBox(HWND owner, BrowserLauncher& browser, MessageBox& messages) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterAboutClass(instance);
  frmAbout about{browser, messages, nullptr, 96, nullptr, nullptr, false};
  about.dpi = owner ? ::GetDpiForWindow(owner) : ::GetDpiForSystem();
  const Twips s(about.dpi);
  // Drawn at the size it is shown, sharp at any dpi.
  about.icon = MakeProgramIcon(s.Px(kAboutImage1.width));
  RECT frame = {0, 0, s.Px(kAboutWidth), s.Px(kAboutHeight)};
  ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, about.dpi);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT over = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (owner) ::GetWindowRect(owner, &over);
  HWND box = ::CreateWindowExW(kExStyle, kAboutClass, L"", kStyle,
                               over.left + (over.right - over.left - width) / 2,
                               over.top + (over.bottom - over.top - height) / 2, width, height,
                               owner, nullptr, instance, &about);
  if (!box) {
    ::DestroyIcon(about.icon);
    return;
  }
  MakeAboutControls(box, about);
  if (owner) ::EnableWindow(owner, FALSE);
  ::ShowWindow(box, SW_SHOW);
  ::SetFocus(::GetDlgItem(box, kAboutTxtSeihinmei));

  MSG msg;
  bool quit = false;
  while (!about.done) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    if (::IsDialogMessageW(box, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  // The owner is enabled before the box goes, so that it gets the activation back.
  if (owner) ::EnableWindow(owner, TRUE);
  ::DestroyWindow(box);
  ::DestroyIcon(about.icon);
  if (quit) ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop to see
}

}  // namespace sorbel::win32
