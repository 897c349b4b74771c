// frmMain's behaviour: start-up, centring of the panel, the keys seen before any control
// (F5, Enter as Tab, Esc), the commands, and the FilterHost side the run talks to.
#include "win32/frm_main.h"

#include <commctrl.h>

#include "filter/program_files.h"
#include "front/csv_file_picker.h"
#include "front/main_form.h"
#include "front/window_run.h"
#include "platform/app.h"
#include "platform/error.h"
#include "platform/windows/wide_text.h"
#include "win32/control_ids.h"
#include "win32/frm_about.h"
#include "win32/program_icon.h"
#include "win32/twips.h"

namespace sorbel::win32 {

namespace {

constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;

std::string Text(HWND box) {
  const int length = ::GetWindowTextLengthW(box);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(box, text.data(), length + 1)));
  return Utf8(text);
}

int Selected(HWND list) { return static_cast<int>(::SendMessageW(list, CB_GETCURSEL, 0, 0)); }

std::string SelectedText(HWND list) {
  const int index = Selected(list);
  if (index < 0) return "";
  const auto length = ::SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(
      ::SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
  return Utf8(text);
}

bool Checked(HWND box) { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool KeyHeld(int key) { return (::GetKeyState(key) & 0x8000) != 0; }

// An open drop-down list keeps Enter and Esc: they close it.
bool InOpenList(HWND control) {
  for (HWND w = control; w; w = ::GetParent(w)) {
    wchar_t name[32] = {};
    ::GetClassNameW(w, name, 32);
    if (lstrcmpiW(name, WC_COMBOBOXW) == 0) return ::SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0);
  }
  return false;
}

// The run holds the message loop, so what the user typed or clicked meanwhile waits in the
// queue; acted on now it would change conditions or start a second run nobody asked for.
void DropQueuedInput() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  while (::PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
}

void RegisterMainClass(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW main_class = {};
  if (::GetClassInfoExW(instance, kMainClass, &main_class)) return;
  main_class.cbSize = sizeof main_class;
  main_class.lpfnWndProc = proc;
  main_class.hInstance = instance;
  main_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  main_class.hbrBackground = nullptr;  // painted light blue in WM_ERASEBKGND
  main_class.lpszClassName = kMainClass;
  ::RegisterClassExW(&main_class);
}

}  // namespace

frmMain::frmMain(frmMainServices services) : services_(std::move(services)) {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  RegisterMainClass(instance, WindowProc);
  ::CreateWindowExW(WS_EX_CONTROLPARENT, kMainClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, MakeMainMenu(), instance, this);
  if (!hwnd_) throw OsError(static_cast<int>(::GetLastError()));
  const ACCEL f5 = {FVIRTKEY, VK_F5, kMnuFileExec};
  accelerators_ = ::CreateAcceleratorTableW(const_cast<ACCEL*>(&f5), 1);
  icon_big_ = MakeProgramIcon(::GetSystemMetrics(SM_CXICON));
  icon_small_ = MakeProgramIcon(::GetSystemMetrics(SM_CXSMICON));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_));
  ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_));
  ui_ = MakeMainControls(hwnd_, art_);
  InitForm();
}

frmMain::~frmMain() {
  SetMousePointer(kPointerDefault);
  for (auto& field : number_fields_) {
    if (field) field->SetBox(nullptr);
  }
  if (hwnd_) ::DestroyWindow(hwnd_);
  ::DestroyAcceleratorTable(accelerators_);
  ::DestroyIcon(icon_big_);
  ::DestroyIcon(icon_small_);
}

void frmMain::InitForm() {
  ::SetWindowTextW(hwnd_, Wide(AppCaption()).c_str());
  for (const char* entry : kCategoryEntries) {
    ::SendMessageW(ui_.cboCategory, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry).c_str()));
  }
  ::SendMessageW(ui_.cboCategory, CB_SETCURSEL, 0, 0);
  for (const char* entry : kBundlingEntries) {
    ::SendMessageW(ui_.cboDoukon, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry).c_str()));
  }
  ::SendMessageW(ui_.cboDoukon, CB_SETCURSEL, 0, 0);
  HWND prices[] = {ui_.txtKakakuStart, ui_.txtKakakuEnd};
  for (int i = 0; i < 2; ++i) {
    if (!number_fields_[i]) number_fields_[i] = std::make_unique<numberText>();
    number_fields_[i]->SetBox(prices[i]);
  }
  LayOut();

  // Restored, the window has its designed client area, centred on its monitor's work area.
  const unsigned dpi = ::GetDpiForWindow(hwnd_);
  const Twips s(dpi);
  RECT frame = {0, 0, s.Px(kClientWidth), s.Px(kClientHeight)};
  ::AdjustWindowRectExForDpi(&frame, kStyle, TRUE, WS_EX_CONTROLPARENT, dpi);
  MONITORINFO monitor = {sizeof monitor, {}, {}, 0};
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
  ::SetFocus(ui_.txtCsvPath);
  last_focus_ = ui_.txtCsvPath;
}

void frmMain::LayOut() {
  const unsigned dpi = ::GetDpiForWindow(hwnd_);
  art_.SetDpi(dpi);
  LayOutMainControls(ui_, dpi, art_.Font());
  CentreMainPanel();
}

void frmMain::CentreMainPanel() {
  RECT client, panel;
  ::GetClientRect(hwnd_, &client);
  ::GetWindowRect(ui_.fraMain, &panel);
  ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&panel), 2);
  // A client area narrower than the panel gives a negative left edge: both sides are cut.
  const int left = CentredLeft(client.right, panel.right - panel.left);
  ::SetWindowPos(ui_.fraMain, nullptr, left, panel.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

LRESULT CALLBACK frmMain::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<frmMain*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<frmMain*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self || !self->ui_.fraMain) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT frmMain::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      ::GetClientRect(hwnd_, &client);
      HBRUSH blue =
          ::CreateSolidBrush(RGB(kWindowColour.red, kWindowColour.green, kWindowColour.blue));
      ::FillRect(reinterpret_cast<HDC>(wparam), &client, blue);
      ::DeleteObject(blue);
      return 1;
    }
    case WM_SIZE:
      ::SendMessageW(ui_.StatusBar1, WM_SIZE, 0, 0);
      CentreMainPanel();
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      LayOut();
      return 0;
    }
    case WM_SETCURSOR:
      if (busy_pointer_) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      // Back from a message box or another program, the focus returns to where it was.
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) last_focus_ = focus;
      } else if (last_focus_ && ::IsWindow(last_focus_)) {
        ::SetFocus(last_focus_);
        return 0;
      }
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_CLOSE:
      Quit();
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND gone = hwnd_;
      hwnd_ = nullptr;  // the handle of a window gone may name another one later
      return ::DefWindowProcW(gone, message, wparam, lparam);
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

void frmMain::OnCommand(int id, int code, HWND control) {
  if (code == EN_CHANGE) {
    for (auto& field : number_fields_) {
      if (field && field->Box() == control) field->numberText_Change();
    }
    return;
  }
  // Menu items and accelerators come with no control; buttons with BN_CLICKED.
  if (control && code != BN_CLICKED) return;
  switch (id) {
    case kMnuFileExec:
    case kCmdExec:
      RunFilter();
      break;
    case kMnuFileEnd:
    case kCmdEnd:
      Quit();
      break;
    case kMnuHelpVersion:
      ShowVersion();
      break;
    case kCmdView:
      BrowseCsv();
      break;
    default:
      break;
  }
}

bool frmMain::TranslateWindowMessage(MSG& msg) {
  if (!hwnd_ || (msg.hwnd != hwnd_ && !::IsChild(hwnd_, msg.hwnd))) return false;
  if (::TranslateAcceleratorW(hwnd_, accelerators_, &msg)) return true;
  if (msg.message == WM_KEYDOWN && !InOpenList(msg.hwnd) && !KeyHeld(VK_CONTROL) &&
      !KeyHeld(VK_MENU)) {
    if (msg.wParam == VK_RETURN) {
      // Queued, so the focus moves after this key has been dealt with, as a typed Tab would;
      // the Enter itself reaches no control.
      ::PostMessageW(msg.hwnd, WM_KEYDOWN, VK_TAB, 1);
      return true;
    }
    if (msg.wParam == VK_ESCAPE) {
      // cmdEnd is the window's cancel button.
      ::SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(kCmdEnd, BN_CLICKED),
                     reinterpret_cast<LPARAM>(ui_.cmdEnd));
      return true;
    }
  }
  return ::IsDialogMessageW(hwnd_, &msg);
}

void frmMain::RunFilter() {
  if (running_) return;
  running_ = true;
  RunFromWindow(*this, services_.run);
  DropQueuedInput();
  running_ = false;
}

void frmMain::BrowseCsv() {
  try {
    if (auto path = PickCsvFile(services_.file_dialog, services_.desktop)) SetCsvPath(*path);
  } catch (const Error& e) {
    Messages().Show(e.Report(), kIconCritical, kAppTitle);
  }
}

void frmMain::ShowVersion() { ShowAboutBox(hwnd_, services_.browser, Messages()); }

void frmMain::Quit() { ::DestroyWindow(hwnd_); }

void frmMain::SetCsvPath(const std::string& path) {
  ::SetWindowTextW(ui_.txtCsvPath, Wide(path).c_str());
}

std::string frmMain::CsvPath() const { return Text(ui_.txtCsvPath); }

FilterConditions frmMain::Conditions() const {
  FilterConditions c;
  c.ProductNameWords = Text(ui_.txtShohinmei);
  c.CategoryIndex = Selected(ui_.cboCategory);
  c.CategoryText = SelectedText(ui_.cboCategory);
  c.TagWords = Text(ui_.txtTag);
  c.PriceFrom = Text(ui_.txtKakakuStart);
  c.PriceTo = Text(ui_.txtKakakuEnd);
  c.BundlingIndex = Selected(ui_.cboDoukon);
  c.BundlingText = SelectedText(ui_.cboDoukon);
  c.CreditCard = Checked(ui_.chkKessan[0]);
  c.CashOnDelivery = Checked(ui_.chkKessan[1]);
  c.FreeShippingOnly = Checked(ui_.chkSouryou);
  return c;
}

void frmMain::SetStatusText(const std::string& text) {
  ::SendMessageW(ui_.StatusBar1, SB_SETTEXTW, SB_SIMPLEID,
                 reinterpret_cast<LPARAM>(Wide(text).c_str()));
  // The run holds the message loop, so the text is painted now or not at all.
  ::UpdateWindow(ui_.StatusBar1);
}

void frmMain::SetMousePointer(MousePointer pointer) {
  busy_pointer_ = pointer == kPointerHourglass;
  ::SetCursor(::LoadCursorW(nullptr, busy_pointer_ ? IDC_WAIT : IDC_ARROW));
}

MessageBox& frmMain::Messages() { return services_.messages; }

const std::string& frmMain::OutFileName() const { return out_file_name_; }

void frmMain::SetOutFileName(const std::string& name) { out_file_name_ = name; }

std::string frmMain::AppFolder() const { return sorbel::AppFolder(kDataSourceName); }

const Clock& frmMain::Time() const { return clock_; }

SpreadsheetHost* frmMain::Spreadsheet() { return services_.spreadsheet; }

}  // namespace sorbel::win32
