// The controls are children of fraMain (the buttons of fraButton on it) in tab order, each with
// its id from win32/control_ids.h; the label cells and rules are painted, not controls, so that
// the rules lie over the cells' edges and nothing takes the focus that should not.
#include "win32/frm_main_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "front/main_form.h"
#include "platform/app.h"
#include "platform/windows/wide_text.h"
#include "win32/banner.h"
#include "win32/control_ids.h"
#include "win32/twips.h"

namespace sorbel::win32 {

namespace {

COLORREF Colour(Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

HWND MakeControl(HWND parent, const wchar_t* window_class, const std::wstring& text, DWORD style,
                 int id, DWORD ex_style = 0) {
  return ::CreateWindowExW(ex_style, window_class, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0,
                           0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

HWND MakeTextBox(HWND parent, int id, DWORD align = ES_LEFT) {
  HWND box =
      MakeControl(parent, WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL | align, id, WS_EX_CLIENTEDGE);
  ::SendMessageW(box, EM_SETLIMITTEXT, 0, 0);  // no limit on what may be typed
  return box;
}

HWND MakeList(HWND parent, int id) {
  return MakeControl(parent, WC_COMBOBOXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id);
}

void Place(HWND control, const Twips& s, const TwipsRect& r) {
  const PixelRect p = s.Rect(r);
  ::SetWindowPos(control, nullptr, p.left, p.top, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A drop-down list: the height given is the field's; the list below it shows twelve entries.
void PlaceList(HWND list, const Twips& s, const TwipsRect& r) {
  const PixelRect p = s.Rect(r);
  ::SetWindowPos(list, nullptr, p.left, p.top, p.width, p.height * 13,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SendMessageW(list, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), p.height - 6);
}

}  // namespace

fraMainArt::fraMainArt() : face_(JapaneseFace()) { SetDpi(96); }

void fraMainArt::SetDpi(unsigned dpi) {
  dpi_ = dpi;
  font_ = MakeFont(face_, kFontPoints, dpi);
  tilde_font_ = MakeFont(face_, kKakaku2Points, dpi);
}

void fraMainArt::Paint(HDC dc) {
  const Twips s(dpi_);
  const PixelRect b = s.Rect(kImage1);
  DrawBanner(dc, RECT{b.left, b.top, b.left + b.width, b.top + b.height}, Wide(kAppTitle), face_);

  // Label cells: light blue, white text centred, the word on the second line.
  HBRUSH cell_brush = ::CreateSolidBrush(Colour(kWindowColour));
  HGDIOBJ old_font = ::SelectObject(dc, font_.get());
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(255, 255, 255));
  for (const LabelCell& cell : kLabelCells) {
    const PixelRect p = s.Rect(cell.place);
    RECT r = {p.left, p.top, p.left + p.width, p.top + p.height};
    ::FillRect(dc, &r, cell_brush);
    const std::wstring caption = L"\r\n" + Wide(cell.caption);
    ::DrawTextW(dc, caption.c_str(), -1, &r, DT_CENTER | DT_NOPREFIX);
  }
  ::DeleteObject(cell_brush);

  // The rules: bars as wide as designed at 96 dpi, scaled, centred on their lines.
  HBRUSH rule_brush = ::CreateSolidBrush(Colour(kRuleColour));
  for (const TableRule& rule : kTableRules) {
    const int t = std::max(1, s.Px(rule.pixels * 15));
    const int left = s.Px(rule.x1) - t / 2;
    const int top = s.Px(rule.y1) - t / 2;
    RECT r = {left, top, s.Px(rule.x2) - t / 2 + t, s.Px(rule.y2) - t / 2 + t};
    ::FillRect(dc, &r, rule_brush);
  }
  ::DeleteObject(rule_brush);

  // "～" between the price boxes, in the smaller face and the default label colour.
  ::SelectObject(dc, tilde_font_.get());
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  const PixelRect t = s.Rect(kLblKakaku2);
  RECT tilde = {t.left, t.top, t.left + t.width, t.top + t.height};
  const std::wstring wave = Wide(kCaptionKakaku2);
  ::DrawTextW(dc, wave.c_str(), -1, &tilde,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  ::SelectObject(dc, old_font);
}

frmMainControls MakeMainControls(HWND window, fraMainArt& art) {
  frmMainControls c;
  // Made in tab order: the dialog manager's Tab follows the order of creation.
  c.fraMain = MakePanel(window, kFraMain, &art);
  c.txtCsvPath = MakeTextBox(c.fraMain, kTxtCsvPath);
  c.cmdView =
      MakeControl(c.fraMain, WC_BUTTONW, Wide(kCaptionView), WS_TABSTOP | BS_PUSHBUTTON, kCmdView);
  c.txtShohinmei = MakeTextBox(c.fraMain, kTxtShohinmei);
  c.cboCategory = MakeList(c.fraMain, kCboCategory);
  c.txtTag = MakeTextBox(c.fraMain, kTxtTag);
  c.txtKakakuStart = MakeTextBox(c.fraMain, kTxtKakakuStart, ES_RIGHT);
  c.txtKakakuEnd = MakeTextBox(c.fraMain, kTxtKakakuEnd, ES_RIGHT);
  c.cboDoukon = MakeList(c.fraMain, kCboDoukon);
  const int kessan_ids[] = {kChkKessan0, kChkKessan1};
  for (int i = 0; i < 2; ++i) {
    c.chkKessan[i] = MakeControl(c.fraMain, WC_BUTTONW, Wide(kCaptionKessan[i]),
                                 WS_TABSTOP | BS_AUTOCHECKBOX, kessan_ids[i]);
  }
  c.chkSouryou = MakeControl(c.fraMain, WC_BUTTONW, Wide(kCaptionSouryou),
                             WS_TABSTOP | BS_AUTOCHECKBOX, kChkSouryou);
  c.fraButton = MakePanel(c.fraMain, kFraButton, nullptr);
  c.cmdExec = MakeControl(c.fraButton, WC_BUTTONW, Wide(kCaptionExec), WS_TABSTOP | BS_PUSHBUTTON,
                          kCmdExec);
  c.cmdEnd =
      MakeControl(c.fraButton, WC_BUTTONW, Wide(kCaptionEnd), WS_TABSTOP | BS_PUSHBUTTON, kCmdEnd);
  c.StatusBar1 = MakeControl(window, STATUSCLASSNAMEW, L"", 0, kStatusBar1);
  ::SendMessageW(c.StatusBar1, SB_SIMPLE, TRUE, 0);
  return c;
}

void LayOutMainControls(const frmMainControls& c, unsigned dpi, HFONT font) {
  const Twips s(dpi);
  RECT panel;
  ::GetWindowRect(c.fraMain, &panel);
  ::MapWindowPoints(nullptr, ::GetParent(c.fraMain), reinterpret_cast<POINT*>(&panel), 2);
  ::SetWindowPos(c.fraMain, nullptr, panel.left, s.Px(sorbel::kFraMain.top),
                 s.Px(sorbel::kFraMain.width), s.Px(sorbel::kFraMain.height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  Place(c.txtCsvPath, s, sorbel::kTxtCsvPath);
  Place(c.cmdView, s, sorbel::kCmdView);
  Place(c.txtShohinmei, s, sorbel::kTxtShohinmei);
  PlaceList(c.cboCategory, s, sorbel::kCboCategory);
  Place(c.txtTag, s, sorbel::kTxtTag);
  Place(c.txtKakakuStart, s, sorbel::kTxtKakakuStart);
  Place(c.txtKakakuEnd, s, sorbel::kTxtKakakuEnd);
  PlaceList(c.cboDoukon, s, sorbel::kCboDoukon);
  for (int i = 0; i < 2; ++i) Place(c.chkKessan[i], s, sorbel::kChkKessan[i]);
  Place(c.chkSouryou, s, sorbel::kChkSouryou);
  Place(c.fraButton, s, sorbel::kFraButton);
  Place(c.cmdExec, s, sorbel::kCmdExec);
  Place(c.cmdEnd, s, sorbel::kCmdEnd);

  HWND fonted[] = {c.txtCsvPath,     c.cmdView,      c.txtShohinmei, c.cboCategory,  c.txtTag,
                   c.txtKakakuStart, c.txtKakakuEnd, c.cboDoukon,    c.chkKessan[0], c.chkKessan[1],
                   c.chkSouryou,     c.cmdExec,      c.cmdEnd,       c.StatusBar1};
  for (HWND control : fonted)
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  // The font changes the lists' field heights; set them again after it.
  PlaceList(c.cboCategory, s, sorbel::kCboCategory);
  PlaceList(c.cboDoukon, s, sorbel::kCboDoukon);
  ::SendMessageW(c.StatusBar1, SB_SETMINHEIGHT,
                 s.Px(kStatusBarHeight) - 2 * ::GetSystemMetricsForDpi(SM_CYBORDER, dpi), 0);
  ::SendMessageW(c.StatusBar1, WM_SIZE, 0, 0);
  ::InvalidateRect(c.fraMain, nullptr, TRUE);
}

HMENU MakeMainMenu() {
  HMENU file = ::CreatePopupMenu();
  ::AppendMenuW(file, MF_STRING, kMnuFileExec, (Wide(kMenuFileExec) + L"\tF5").c_str());
  ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(file, MF_STRING, kMnuFileEnd, Wide(kMenuFileEnd).c_str());
  HMENU help = ::CreatePopupMenu();
  ::AppendMenuW(help, MF_STRING, kMnuHelpVersion, Wide(kMenuHelpVersion).c_str());
  HMENU bar = ::CreateMenu();
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), Wide(kMenuFile).c_str());
  ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), Wide(kMenuHelp).c_str());
  return bar;
}

}  // namespace sorbel::win32
