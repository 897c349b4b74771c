// Drives the window program as its user would, from a process of its own in the same Wine prefix
// (window_test.sh, windows-screenshots.sh); prints each check and ends with 1 at the first failure.
//
// Usage: window_driver check sorbel.exe catalogue.csv  start, F5 without and with a catalogue, Esc
//        window_driver open sorbel.exe                 start it and leave it open
//        window_driver about                           open the open window's About box
// "check" prints "result: NAME" for the file written in Documents\Sorbel; "open" and "about"
// print "rect LEFT TOP WIDTH HEIGHT", the window's place on the screen.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "win32/control_ids.h"

namespace {

using namespace sorbel::win32;

// Generous: the test runs beside builds on two cores.
constexpr DWORD kWaitMs = 60000;

void Say(const std::wstring& line) {
  std::string out(WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr), 0);
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr,
                      nullptr);
  std::fputs(out.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

[[noreturn]] void Fail(const std::wstring& what) {
  Say(L"FAIL: " + what);
  std::exit(1);
}

// Polls until ready() holds; fails when the program ends first or the time runs out.
template <typename Ready>
void WaitFor(const std::wstring& what, HANDLE process, Ready ready) {
  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while (!ready()) {
    DWORD code = 0;
    if (process && GetExitCodeProcess(process, &code) && code != STILL_ACTIVE) {
      Fail(L"the program ended (exit code " + std::to_wstring(code) + L") before " + what);
    }
    if (GetTickCount64() > end) Fail(L"no " + what + L" within " + std::to_wstring(kWaitMs / 1000) + L" s");
    Sleep(50);
  }
}

// The visible top-level window of that class in that process (0: any process), or null.
HWND TopWindow(DWORD pid, const wchar_t* window_class) {
  struct Search {
    DWORD pid;
    const wchar_t* window_class;
    HWND found;
  } search{pid, window_class, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if ((s.pid == 0 || owner == s.pid) && IsWindowVisible(window) && wcscmp(name, s.window_class) == 0) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A control at any depth below the window (controls may sit on panels).
HWND Control(HWND top, int id) {
  std::pair<int, HWND> search{id, nullptr};
  EnumChildWindows(
      top,
      [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<std::pair<int, HWND>*>(param);
        if (GetDlgCtrlID(window) != s.first) return TRUE;
        s.second = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

// Asks the window itself: an edit control's text lives in its own process.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kWaitMs, &length)) return L"?";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                      kWaitMs, &copied);
  text.resize(copied);
  return text;
}

// A key as the keyboard gives it: to the control with the focus, through the window's message
// loop (and so its accelerators).
void Press(HWND main, WORD key) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
  HWND target = info.hwndFocus ? info.hwndFocus : main;
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, key, scan | 1);
  PostMessageW(target, WM_KEYUP, key, scan | 1 | 0xC0000000);
}

// Which standard icon the message box shows ("" for none): its pixels on the screen against
// each standard icon drawn on the same background, as the icon handle is the other process's.
std::wstring IconOf(HWND box) {
  HWND icon = nullptr;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (_wcsicmp(name, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = child;
  }
  if (!icon || !IsWindowVisible(icon) || !SendMessageW(icon, STM_GETICON, 0, 0)) return L"";
  RECT r;
  GetWindowRect(icon, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
  auto pixels = [&](auto draw) {
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw();
    GdiFlush();
    std::vector<BYTE> copy(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + w * h * 4);
    DeleteObject(SelectObject(dc, old));
    return copy;
  };
  const auto shown = pixels([&] { BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY); });
  const COLORREF background = RGB(shown[2], shown[1], shown[0]);
  const std::pair<const wchar_t*, LPCWSTR> kinds[] = {
      {L"warning", IDI_WARNING}, {L"error", IDI_ERROR}, {L"information", IDI_INFORMATION}, {L"question", IDI_QUESTION}};
  std::wstring best = L"unknown";
  long best_distance = w * h * 4 * 8;  // a mean difference of 8 a channel at most
  for (const auto& [kind, id] : kinds) {
    const auto drawn = pixels([&, id = id] {
      HBRUSH brush = CreateSolidBrush(background);
      RECT all{0, 0, w, h};
      FillRect(dc, &all, brush);
      DeleteObject(brush);
      DrawIconEx(dc, 0, 0, static_cast<HICON>(LoadImageW(nullptr, id, IMAGE_ICON, w, h, LR_SHARED)), w, h, 0,
                 nullptr, DI_NORMAL);
    });
    long distance = 0;
    for (size_t i = 0; i < drawn.size(); ++i) distance += std::abs(drawn[i] - shown[i]);
    if (distance < best_distance) best_distance = distance, best = kind;
  }
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return best;
}

struct Box {
  std::wstring caption, text, icon;
};

// Waits for the program's message box and reads it, the icon once it is drawn; then presses OK.
Box AnswerBox(HANDLE process, DWORD pid, const std::wstring& what) {
  HWND box = nullptr;
  WaitFor(L"message box (" + what + L")", process, [&] { return (box = TopWindow(pid, L"#32770")) != nullptr; });
  Box seen{TextOf(box), TextOf(Control(box, 0xFFFF)), L"unknown"};
  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while ((seen.icon = IconOf(box)) == L"unknown" && GetTickCount64() < end) Sleep(100);
  Say(L"message box: caption \"" + seen.caption + L"\", icon " + (seen.icon.empty() ? L"none" : seen.icon) +
      L", text \"" + seen.text + L"\"");
  HWND ok = Control(box, IDOK);
  if (!ok) Fail(L"the message box has no OK button");
  PostMessageW(ok, BM_CLICK, 0, 0);
  WaitFor(L"closing of the message box", process, [&] { return !IsWindow(box); });
  return seen;
}

void Expect(bool holds, const std::wstring& what) {
  if (!holds) Fail(what);
  Say(L"ok: " + what);
}

std::set<std::wstring> Results(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*_articles.csv").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(found.cFileName);
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::wstring ResultFolder() {
  PWSTR documents = nullptr;
  if (FAILED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents))) Fail(L"no Documents folder");
  std::wstring folder = std::wstring(documents) + L"\\Sorbel";
  CoTaskMemFree(documents);
  return folder;
}

PROCESS_INFORMATION Start(const std::wstring& program) {
  std::wstring command = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    Fail(L"cannot start " + program + L" (error " + std::to_wstring(GetLastError()) + L")");
  }
  Say(L"started " + program);
  return started;
}

HWND MainWindow(const PROCESS_INFORMATION& started) {
  HWND main = nullptr;
  WaitFor(L"frmMain window", started.hProcess,
          [&] { return (main = TopWindow(started.dwProcessId, kMainClass)) != nullptr; });
  return main;
}

void SayRect(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  Say(L"rect " + std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right - r.left) +
      L" " + std::to_wstring(r.bottom - r.top));
}

int Check(const std::wstring& program, const std::wstring& catalogue) {
  const std::wstring folder = ResultFolder();
  const PROCESS_INFORMATION started = Start(program);
  HWND main = MainWindow(started);
  const std::wstring caption = TextOf(main);
  Expect(caption == L"Sorbel Ver. 2.0.0", L"caption \"Sorbel Ver. 2.0.0\" (is \"" + caption + L"\")");
  HWND path = Control(main, kTxtCsvPath);
  Expect(path != nullptr, L"txtCsvPath found");
  WaitFor(L"window maximised", started.hProcess, [&] { return IsZoomed(main) != FALSE; });
  Say(L"ok: maximised");
  WaitFor(L"focus in txtCsvPath", started.hProcess, [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(started.dwThreadId, &info) && info.hwndFocus == path;
  });
  Say(L"ok: focus in txtCsvPath");
  Expect(TextOf(path).empty(), L"txtCsvPath empty");

  const auto before = Results(folder);
  Press(main, VK_F5);
  Box warning = AnswerBox(started.hProcess, started.dwProcessId, L"F5 with no path");
  Expect(warning.caption == L"Sorbel" && warning.text == L"CSVファイルに指定したパスは無効です。" &&
             warning.icon == L"warning",
         L"the invalid-path warning");
  Expect(Results(folder) == before, L"no result written for it");

  SendMessageTimeoutW(path, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(catalogue.c_str()), SMTO_NORMAL, kWaitMs,
                      nullptr);
  Expect(TextOf(path) == catalogue, L"catalogue path put into txtCsvPath");
  Press(main, VK_F5);
  // The result is written before the spreadsheet is tried, whose message closes the run.
  Box spreadsheet = AnswerBox(started.hProcess, started.dwProcessId, L"F5 with a catalogue");
  Expect(spreadsheet.caption == L"Sorbel" && !spreadsheet.text.empty() && spreadsheet.icon.empty(),
         L"the spreadsheet's message: caption Sorbel, a text, no icon");
  std::vector<std::wstring> added;
  for (const auto& name : Results(folder)) {
    if (!before.count(name)) added.push_back(name);
  }
  Expect(added.size() == 1, L"one new result in " + folder + L" (" + std::to_wstring(added.size()) + L")");
  Say(L"result: " + added[0]);

  Press(main, VK_ESCAPE);
  if (WaitForSingleObject(started.hProcess, kWaitMs) != WAIT_OBJECT_0) Fail(L"the program still runs after Esc");
  DWORD code = 1;
  GetExitCodeProcess(started.hProcess, &code);
  Expect(code == 0, L"Esc ended the program (exit code " + std::to_wstring(code) + L")");
  return 0;
}

int About() {
  HWND main = TopWindow(0, kMainClass);
  if (!main) Fail(L"no frmMain window open");
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  PostMessageW(main, WM_COMMAND, kMnuHelpVersion, 0);
  HWND about = nullptr;
  WaitFor(L"frmAbout window", nullptr, [&] { return (about = TopWindow(pid, kAboutClass)) != nullptr; });
  SayRect(about);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"check" && argc == 4) return Check(argv[2], argv[3]);
  if (mode == L"open" && argc == 3) {
    SayRect(MainWindow(Start(argv[2])));
    return 0;
  }
  if (mode == L"about" && argc == 2) return About();
  std::fputs("usage: window_driver check sorbel.exe catalogue.csv | open sorbel.exe | about\n", stderr);
  return 2;
}
