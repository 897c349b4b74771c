// A blue tile with table rows and a white funnel, drawn with GDI on a 32 × 32 grid scaled to
// the size; the mask leaves the tile's rounded corners transparent.
#include "win32/program_icon.h"

namespace sorbel::win32 {

namespace {

struct Grid {
  int size;
  int operator()(double x) const { return static_cast<int>(x * size / 32.0 + 0.5); }
};

void DrawTile(HDC dc, const Grid& g) {
  HRGN tile = ::CreateRoundRectRgn(0, 0, g(32) + 1, g(32) + 1, g(12), g(12));
  ::SelectClipRgn(dc, tile);
  TRIVERTEX ends[2] = {{0, 0, 150 << 8, 150 << 8, 250 << 8, 0},
                       {g(32), g(32), 100 << 8, 100 << 8, 220 << 8, 0}};
  GRADIENT_RECT down = {0, 1};
  ::GradientFill(dc, ends, 2, &down, 1, GRADIENT_FILL_RECT_V);
  HBRUSH edge = ::CreateSolidBrush(RGB(70, 70, 170));
  ::FrameRgn(dc, tile, edge, 1, 1);
  ::DeleteObject(edge);

  // Table rows behind the funnel.
  HBRUSH rows = ::CreateSolidBrush(RGB(204, 204, 255));
  for (int row = 0; row < 3; ++row) {
    const RECT bar = {g(5), g(6 + row * 5), g(27), g(9 + row * 5)};
    ::FillRect(dc, &bar, rows);
  }
  ::DeleteObject(rows);

  const POINT funnel[] = {{g(6), g(11)},  {g(26), g(11)}, {g(18), g(19)},
                          {g(18), g(27)}, {g(14), g(25)}, {g(14), g(19)}};
  HPEN outline = ::CreatePen(PS_SOLID, 1, RGB(60, 60, 150));
  HGDIOBJ old_pen = ::SelectObject(dc, outline);
  HGDIOBJ old_brush = ::SelectObject(dc, ::GetStockObject(WHITE_BRUSH));
  ::Polygon(dc, funnel, 6);
  ::SelectObject(dc, old_brush);
  ::SelectObject(dc, old_pen);
  ::DeleteObject(outline);
  ::SelectClipRgn(dc, nullptr);
  ::DeleteObject(tile);
}

}  // namespace

HICON MakeProgramIcon(int size) {
  const Grid g{size};
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP colour = ::CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = ::CreateBitmap(size, size, 1, 1, nullptr);
  ::ReleaseDC(nullptr, screen);

  // Colour: black outside the tile, since the icon shows (screen AND mask) XOR colour.
  HGDIOBJ old = ::SelectObject(dc, colour);
  const RECT all = {0, 0, size, size};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  DrawTile(dc, g);
  // Mask: white (transparent) around the tile, black on it.
  ::SelectObject(dc, mask);
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  HRGN tile = ::CreateRoundRectRgn(0, 0, g(32) + 1, g(32) + 1, g(12), g(12));
  ::FillRgn(dc, tile, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::DeleteObject(tile);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);

  ICONINFO info = {};
  info.fIcon = TRUE;
  info.hbmMask = mask;
  info.hbmColor = colour;
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(mask);
  ::DeleteObject(colour);
  return icon;
}

}  // namespace sorbel::win32
