// Drawn with GDI at every paint instead of shipping a picture, so it stays sharp at any dpi
// and always shows the built title.
#include "win32/banner.h"

#include "win32/ui_font.h"

namespace sorbel::win32 {

std::wstring FullWidth(const std::wstring& title) {
  std::wstring wide;
  for (wchar_t c : title) {
    if (c > 0x20 && c < 0x7F) {
      wide += static_cast<wchar_t>(c + 0xFEE0);
    } else if (c == L' ') {
      wide += L'\u3000';
    } else {
      wide += c;
    }
  }
  return wide;
}

void DrawBanner(HDC dc, const RECT& place, const std::wstring& title, const std::wstring& face) {
  ::FillRect(dc, &place, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  const RECT band = {place.left + 2, place.top + 4, place.right - 2, place.bottom - 4};
  const int height = band.bottom - band.top;
  const int round = height * 4 / 5;

  // The band: a horizontal shade clipped to a rounded rectangle.
  const int saved = ::SaveDC(dc);
  POINT origin = {0, 0};
  ::LPtoDP(dc, &origin, 1);
  HRGN clip =
      ::CreateRoundRectRgn(band.left + origin.x, band.top + origin.y, band.right + origin.x + 1,
                           band.bottom + origin.y + 1, round, round);
  ::ExtSelectClipRgn(dc, clip, RGN_AND);
  ::DeleteObject(clip);
  TRIVERTEX ends[2] = {
      {band.left, band.top, 176 << 8, 160 << 8, 236 << 8, 0},      // lavender
      {band.right, band.bottom, 150 << 8, 200 << 8, 246 << 8, 0},  // pale blue
  };
  GRADIENT_RECT across = {0, 1};
  ::GradientFill(dc, ends, 2, &across, 1, GRADIENT_FILL_RECT_H);
  ::RestoreDC(dc, saved);

  // The title, with a soft shadow so that white letters read on the light band.
  LOGFONTW font = {};
  font.lfHeight = -(height * 62 / 100);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfQuality = ANTIALIASED_QUALITY;
  wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  HFONT letters = ::CreateFontIndirectW(&font);
  HGDIOBJ old_font = ::SelectObject(dc, letters);
  const int old_mode = ::SetBkMode(dc, TRANSPARENT);
  std::wstring text = FullWidth(title);
  RECT shadow = {band.left + 2, band.top + 2, band.right + 2, band.bottom + 2};
  ::SetTextColor(dc, RGB(130, 120, 200));
  ::DrawTextW(dc, text.c_str(), -1, &shadow, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RECT front = band;
  ::SetTextColor(dc, RGB(255, 255, 255));
  ::DrawTextW(dc, text.c_str(), -1, &front, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  ::SetBkMode(dc, old_mode);
  ::SelectObject(dc, old_font);
  ::DeleteObject(letters);
}

}  // namespace sorbel::win32
