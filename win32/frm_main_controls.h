// frmMain's controls: made in tab order on the white panel, placed from their twips at the
// window's dpi, and the panel's own painting (banner, label cells, the table's rules, "～").
#pragma once

#include "win32/windows_api.h"

#include <array>
#include <string>

#include "win32/panel.h"
#include "win32/ui_font.h"

namespace sorbel::win32 {

struct frmMainControls {
  HWND fraMain = nullptr;
  HWND txtCsvPath = nullptr;
  HWND cmdView = nullptr;
  HWND txtShohinmei = nullptr;
  HWND cboCategory = nullptr;
  HWND txtTag = nullptr;
  HWND txtKakakuStart = nullptr;
  HWND txtKakakuEnd = nullptr;
  HWND cboDoukon = nullptr;
  std::array<HWND, 2> chkKessan = {};
  HWND chkSouryou = nullptr;
  HWND fraButton = nullptr;
  HWND cmdExec = nullptr;
  HWND cmdEnd = nullptr;
  HWND StatusBar1 = nullptr;
};

// What fraMain paints besides its controls, in the fonts of the window's current dpi.
class fraMainArt : public PanelPainter {
 public:
  fraMainArt();
  // Makes the fonts for `dpi`; the controls take Font() by WM_SETFONT.
  void SetDpi(unsigned dpi);
  HFONT Font() const { return font_.get(); }
  void Paint(HDC dc) override;

 private:
  std::wstring face_;
  unsigned dpi_ = 96;
  win32::Font font_;
  win32::Font tilde_font_;
};

// Makes every control of `window`, the lists empty; `art` paints fraMain and must outlive it.
frmMainControls MakeMainControls(HWND window, fraMainArt& art);

// Places and sizes every control for `dpi` and gives it `font`; fraMain keeps its left edge.
void LayOutMainControls(const frmMainControls& c, unsigned dpi, HFONT font);

// The menu bar: ファイル (絞り込み F5, 終了) and ヘルプ (バージョン情報).
HMENU MakeMainMenu();

}  // namespace sorbel::win32
