// The panel's window class, registered on first use. Commands and notices go up to the parent
// until they reach the window that acts on them; the controls on it get the panel's white.
#include "win32/panel.h"

namespace sorbel::win32 {

namespace {

constexpr wchar_t kPanelClass[] = L"SorbelPanel";

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
      ::SetWindowLongPtrW(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
      return ::SendMessageW(::GetParent(panel), message, wparam, lparam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Check boxes on white, in the window-text colour.
      HDC dc = reinterpret_cast<HDC>(wparam);
      ::SetBkColor(dc, RGB(255, 255, 255));
      ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(panel, &paint);
      auto* painter = reinterpret_cast<PanelPainter*>(::GetWindowLongPtrW(panel, GWLP_USERDATA));
      if (painter) painter->Paint(dc);
      ::EndPaint(panel, &paint);
      return 0;
    }
    default:
      break;
  }
  return ::DefWindowProcW(panel, message, wparam, lparam);
}

void RegisterPanelClass(HINSTANCE instance) {
  WNDCLASSEXW panel_class = {};
  if (::GetClassInfoExW(instance, kPanelClass, &panel_class)) return;
  panel_class.cbSize = sizeof panel_class;
  panel_class.lpfnWndProc = PanelProc;
  panel_class.hInstance = instance;
  panel_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  panel_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  panel_class.lpszClassName = kPanelClass;
  ::RegisterClassExW(&panel_class);
}

}  // namespace

HWND MakePanel(HWND parent, int id, PanelPainter* painter) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterPanelClass(instance);
  return ::CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, painter);
}

}  // namespace sorbel::win32
