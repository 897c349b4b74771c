// The Win32 window built in-process and driven by messages: what the shared rules' own tests
// cannot see, that the window wires them in (the price boxes, Enter, the lists, the panel's
// centring, the conditions read from the controls, a stray failure of the run).
#include <gtest/gtest.h>

#include "win32/windows_api.h"
// After windows.h, which it builds on.
#include <commctrl.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "front/about_form.h"
#include "front/main_form.h"
#include "platform/app.h"
#include "platform/windows/wide_text.h"
#include "tests/windows/when_shown.h"
#include "win32/control_ids.h"
#include "win32/frm_main.h"
#include "win32/twips.h"

namespace sorbel::win32 {
namespace {

class NoDialog : public FileDialog {
 public:
  std::optional<std::string> ShowOpen(const OpenFileOptions&) override { return std::nullopt; }
};
class NoDesktop : public DesktopFolder {
 public:
  std::string Path() const override { return "C:\\"; }
};
class NoBrowser : public BrowserLauncher {
 public:
  bool Open(const std::string&) override { return false; }
};
class RecordedBoxes : public MessageBox {
 public:
  void Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) override {
    shown.push_back({text, icon, caption});
  }
  struct Box {
    std::string text;
    MsgBoxIcon icon;
    std::string caption;
  };
  std::vector<Box> shown;
};

std::string TextOf(HWND control) {
  wchar_t text[256] = {};
  ::GetWindowTextW(control, text, 256);
  return Utf8(text);
}

// What the program's loop does with the queue: the window's keys first.
void Pump(frmMain& window) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    if (window.TranslateWindowMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

class Win32WindowTest : public ::testing::Test {
 protected:
  HWND Control(int id) {
    HWND found = nullptr;
    struct Search {
      int id;
      HWND* found;
    } search{id, &found};
    ::EnumChildWindows(
        window_.Window(),
        [](HWND child, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          if (::GetDlgCtrlID(child) != s->id) return TRUE;
          *s->found = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return found;
  }
  void Type(int id, const std::u16string& keys) {
    for (char16_t key : keys) ::SendMessageW(Control(id), WM_CHAR, key, 1);
    Pump(window_);
  }
  void Key(HWND control, WPARAM key) {
    MSG msg = {control, WM_KEYDOWN, key, 1, 0, {}};
    if (!window_.TranslateWindowMessage(msg)) ::DispatchMessageW(&msg);
    Pump(window_);
  }

  static bool Prepare() {
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    return ::InitCommonControlsEx(&controls);
  }
  bool prepared_ = Prepare();
  NoDialog dialog_;
  NoDesktop desktop_;
  NoBrowser browser_;
  RecordedBoxes boxes_;
  std::vector<FilterConditions> runs_;
  std::function<void(FilterHost&)> run_ = [this](FilterHost& host) {
    runs_.push_back(host.Conditions());
  };
  frmMain window_{frmMainServices{.file_dialog = dialog_,
                                  .desktop = desktop_,
                                  .browser = browser_,
                                  .messages = boxes_,
                                  .spreadsheet = nullptr,
                                  .run = [this](FilterHost& host) { run_(host); }}};
};

TEST_F(Win32WindowTest, StartsWithItsCaptionListsAndEmptyBoxes) {
  EXPECT_EQ(TextOf(window_.Window()), "Sorbel Ver. 2.0.0");
  EXPECT_EQ(::SendMessageW(Control(kCboCategory), CB_GETCOUNT, 0, 0), 11);
  EXPECT_EQ(::SendMessageW(Control(kCboDoukon), CB_GETCOUNT, 0, 0), 3);
  const FilterConditions c = window_.Conditions();
  EXPECT_EQ(c.CategoryIndex, 0);
  EXPECT_EQ(c.CategoryText, "（指定なし）");
  EXPECT_EQ(c.BundlingText, "（指定なし）");
  // The price boxes stay empty until the user types in them.
  EXPECT_EQ(c.PriceFrom, "");
  EXPECT_EQ(c.PriceTo, "");
  EXPECT_EQ(::GetFocus(), Control(kTxtCsvPath));
}

TEST_F(Win32WindowTest, PriceBoxesKeepASignedWholeNumber) {
  const HWND box = Control(kTxtKakakuStart);
  Type(kTxtKakakuStart, u"07");
  EXPECT_EQ(TextOf(box), "7");
  Type(kTxtKakakuStart, u"a.+ 2");
  EXPECT_EQ(TextOf(box), "72");
  Type(kTxtKakakuStart, u"-");
  EXPECT_EQ(TextOf(box), "-72");
  Type(kTxtKakakuStart, u"-");
  EXPECT_EQ(TextOf(box), "72");
  // Ctrl+V and Ctrl+X arrive as characters 22 and 24 and are refused.
  Type(kTxtKakakuStart, u"\x16\x18");
  EXPECT_EQ(TextOf(box), "72");
  // Full-width digits, as an input method commits them.
  Type(kTxtKakakuStart, u"１");
  EXPECT_EQ(TextOf(box), "721");
  // Delete takes the last character, the caret being at the end.
  Key(box, VK_DELETE);
  EXPECT_EQ(TextOf(box), "72");

  ::SetWindowTextW(box, L"007");
  EXPECT_EQ(TextOf(box), "7");
  DWORD start = 0, end = 0;
  ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 1u);
  ::SetWindowTextW(box, L"");
  EXPECT_EQ(TextOf(box), "0");
  // The other boxes take any text.
  Type(kTxtTag, u"a-1");
  EXPECT_EQ(TextOf(Control(kTxtTag)), "a-1");
}

TEST_F(Win32WindowTest, EnterMovesOnAsTabAndNeverReachesThePriceBox) {
  ::SetFocus(Control(kTxtCsvPath));
  Key(Control(kTxtCsvPath), VK_RETURN);
  EXPECT_EQ(::GetFocus(), Control(kCmdView));
  ::SetFocus(Control(kTxtKakakuStart));
  Key(Control(kTxtKakakuStart), VK_RETURN);
  EXPECT_EQ(::GetFocus(), Control(kTxtKakakuEnd));
  EXPECT_EQ(TextOf(Control(kTxtKakakuStart)), "");
}

TEST_F(Win32WindowTest, F5RunsWithTheControlsConditionsAndEscQuits) {
  ::SetWindowTextW(Control(kTxtShohinmei), L"ケーブル");
  ::SendMessageW(Control(kCboCategory), CB_SETCURSEL, 7, 0);
  ::SetWindowTextW(Control(kTxtKakakuStart), L"100");
  ::SendMessageW(Control(kCboDoukon), CB_SETCURSEL, 2, 0);
  ::SendMessageW(Control(kChkKessan1), BM_SETCHECK, BST_CHECKED, 0);
  ::SendMessageW(Control(kChkSouryou), BM_SETCHECK, BST_CHECKED, 0);
  Key(Control(kTxtTag), VK_F5);
  ASSERT_EQ(runs_.size(), 1u);
  const FilterConditions& c = runs_[0];
  EXPECT_EQ(c.ProductNameWords, "ケーブル");
  EXPECT_EQ(c.CategoryIndex, 7);
  EXPECT_EQ(c.CategoryText, "ホビー・エトセトラ");
  EXPECT_EQ(c.PriceFrom, "100");
  EXPECT_EQ(c.PriceTo, "");
  EXPECT_EQ(c.BundlingText, "×");
  EXPECT_FALSE(c.CreditCard);
  EXPECT_TRUE(c.CashOnDelivery);
  EXPECT_TRUE(c.FreeShippingOnly);

  Key(Control(kTxtTag), VK_ESCAPE);
  EXPECT_FALSE(::IsWindow(window_.Window()));
}

TEST_F(Win32WindowTest, AStrayFailureOfTheRunIsShownAndTheStatusCleared) {
  run_ = [](FilterHost& host) {
    host.SetStatusText("データを読み込んでいます...");
    throw std::runtime_error("boom");
  };
  ::SendMessageW(window_.Window(), WM_COMMAND, MAKEWPARAM(kMnuFileExec, 0), 0);
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, "3302:boom");
  EXPECT_EQ(boxes_.shown[0].icon, kIconCritical);
  EXPECT_EQ(boxes_.shown[0].caption, "Sorbel");
  EXPECT_EQ(LOWORD(::SendMessageW(Control(kStatusBar1), SB_GETTEXTLENGTHW, SB_SIMPLEID, 0)), 0);
}

TEST_F(Win32WindowTest, ThePanelStaysCentredWhenTheWindowChangesSize) {
  ::ShowWindow(window_.Window(), SW_RESTORE);
  for (int width : {1400, 900, 500}) {
    ::SetWindowPos(window_.Window(), nullptr, 0, 0, width, 700, SWP_NOZORDER);
    RECT client, panel;
    ::GetClientRect(window_.Window(), &client);
    ::GetWindowRect(Control(kFraMain), &panel);
    ::MapWindowPoints(nullptr, window_.Window(), reinterpret_cast<POINT*>(&panel), 2);
    // A client narrower than the panel cuts both sides alike.
    EXPECT_EQ(panel.left, CentredLeft(client.right, panel.right - panel.left)) << width;
  }
}

TEST_F(Win32WindowTest, ControlsLieAtTheirPlacesAtTheWindowsDpi) {
  const Twips s(::GetDpiForWindow(window_.Window()));
  const auto place_of = [](HWND control) {
    RECT r;
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const struct {
    int id;
    TwipsRect place;
  } designed[] = {{kTxtCsvPath, sorbel::kTxtCsvPath},     {kCmdView, sorbel::kCmdView},
                  {kTxtKakakuEnd, sorbel::kTxtKakakuEnd}, {kChkKessan1, sorbel::kChkKessan[1]},
                  {kFraButton, sorbel::kFraButton},       {kCmdEnd, sorbel::kCmdEnd}};
  for (const auto& d : designed) {
    const RECT r = place_of(Control(d.id));
    EXPECT_EQ(r.left, s.Px(d.place.left)) << d.id;
    EXPECT_EQ(r.top, s.Px(d.place.top)) << d.id;
    EXPECT_EQ(r.right - r.left, s.Px(d.place.width)) << d.id;
    EXPECT_EQ(r.bottom - r.top, s.Px(d.place.height)) << d.id;
  }
  const RECT panel = place_of(Control(kFraMain));
  EXPECT_EQ(panel.right - panel.left, s.Px(sorbel::kFraMain.width));
  // The status bar lies along the bottom of the client area.
  RECT client;
  ::GetClientRect(window_.Window(), &client);
  EXPECT_EQ(place_of(Control(kStatusBar1)).bottom, client.bottom);
}

TEST_F(Win32WindowTest, APriceBoxKeepsItsCaretAtTheEnd) {
  const HWND box = Control(kTxtKakakuStart);
  ::SetWindowTextW(box, L"1234");
  const auto selection = [box] {
    DWORD start = 0, end = 0;
    ::SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return std::pair{start, end};
  };
  Key(box, VK_LEFT);
  Key(box, VK_HOME);  // Home moves the caret; the release of a click puts it back
  ::SendMessageW(box, EM_SETSEL, 1, 3);
  ::SendMessageW(box, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(selection(), (std::pair<DWORD, DWORD>{4, 4}));
  ::SendMessageW(box, EM_SETSEL, 4, 4);
  Key(box, VK_LEFT);
  EXPECT_EQ(selection(), (std::pair<DWORD, DWORD>{4, 4}));
}

TEST_F(Win32WindowTest, TheAboutBoxIsModalAndOnlyItsOkClosesIt) {
  bool main_enabled = true;
  std::string title, version;
  WhenShown driver(kAboutClass, [&](HWND box) {
    main_enabled = ::IsWindowEnabled(window_.Window());
    title = TextOf(::GetDlgItem(box, kAboutTxtSeihinmei));
    version = TextOf(::GetDlgItem(box, kAboutTxtVersion));
    // In the order the box's loop takes them: Esc (ignored), the support page, OK.
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
    for (int id : {kAboutCmdUrl, kAboutCmdOk}) {
      ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(box, id)));
    }
  });
  ::SendMessageW(window_.Window(), WM_COMMAND, MAKEWPARAM(kMnuHelpVersion, 0), 0);
  EXPECT_FALSE(main_enabled);
  EXPECT_EQ(title, "Sorbel");
  EXPECT_EQ(version, " Ver. 2.0.0");
  // No browser took the page: the user is told where to go, with the warning icon.
  ASSERT_EQ(boxes_.shown.size(), 1u);
  EXPECT_EQ(boxes_.shown[0].text, SupportPageNotOpened());
  EXPECT_EQ(boxes_.shown[0].icon, kIconWarning);
  EXPECT_TRUE(::IsWindowEnabled(window_.Window()));
  EXPECT_EQ(::FindWindowW(kAboutClass, nullptr), nullptr);
}

}  // namespace
}  // namespace sorbel::win32
