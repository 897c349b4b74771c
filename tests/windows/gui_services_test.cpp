// The Windows GUI services on their real dialogs, each closed from a timer once it is up: the
// message box's caption, text and icon per kind, and the open-file dialog's presets and cancel.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows/desktop_folder.h"
#include "platform/windows/file_dialog.h"
#include "platform/windows/message_box.h"
#include "platform/windows/wide_text.h"
#include "tests/windows/when_shown.h"

namespace sorbel::win32 {
namespace {

constexpr wchar_t kDialogClass[] = L"#32770";

struct SeenBox {
  std::string caption;
  std::string text;
  HICON icon = nullptr;
};

std::string TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return Utf8(text);
}

// The box's caption, its text (its longest static) and the icon it shows, then OK.
SeenBox Look(HWND box) {
  SeenBox seen{TextOf(box), "", nullptr};
  ::EnumChildWindows(
      box,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<SeenBox*>(data);
        wchar_t name[16] = {};
        ::GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Static") != 0 || !::IsWindowVisible(child)) return TRUE;
        if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
          s->icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
        } else if (TextOf(child).size() > s->text.size()) {
          s->text = TextOf(child);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  return seen;
}

TEST(WindowsMessageBoxTest, ShowsTheTextCaptionAndTheIconOfItsKind) {
  WindowsMessageBox messages;
  const struct {
    MsgBoxIcon icon;
    const wchar_t* system_icon;
  } kinds[] = {{kIconCritical, IDI_HAND}, {kIconWarning, IDI_EXCLAMATION}, {kIconNone, nullptr}};
  for (const auto& kind : kinds) {
    SeenBox seen;
    WhenShown closer(kDialogClass, [&](HWND box) { seen = Look(box); });
    messages.Show("CSVファイルに指定したパスは無効です。", kind.icon, "Sorbel");
    EXPECT_EQ(seen.caption, "Sorbel");
    EXPECT_EQ(seen.text, "CSVファイルに指定したパスは無効です。");
    EXPECT_EQ(seen.icon, kind.system_icon ? ::LoadIconW(nullptr, kind.system_icon) : nullptr)
        << kind.icon;
  }
}

TEST(WindowsFileDialogTest, OpensWithThePresetsAndACancelGivesNothing) {
  WindowsFileDialog dialog;
  OpenFileOptions options;
  options.title = "商品データCSVファイルを指定してください。";
  options.folder = WindowsDesktopFolder().Path();
  options.file_name = "article.csv";
  options.filter_name = "CSV ファイル";
  options.filter_pattern = "*.csv";
  options.must_exist = true;
  options.keep_current_directory = true;
  std::string title;
  std::string name;
  WhenShown canceller(kDialogClass, [&](HWND box) {
    title = TextOf(box);
    // The name field: a combo box (cmb13) in the Explorer-style dialog, an edit (edt1) before.
    for (int id : {0x47c, 0x480}) {
      if (HWND field = ::GetDlgItem(box, id)) name = TextOf(field);
    }
    ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(dialog.ShowOpen(options), std::nullopt);
  EXPECT_EQ(title, "商品データCSVファイルを指定してください。");
  EXPECT_EQ(name, "article.csv");
}

}  // namespace
}  // namespace sorbel::win32
