// Twips (1/1440 inch, 15 to a pixel at 96 dpi), the unit the windows are designed in, to pixels
// at a window's dots per inch; a monitor's dpi changes the answer, never the design.
#pragma once

#include "front/main_form.h"

namespace sorbel::win32 {

struct PixelRect {
  int left, top, width, height;
};

class Twips {
 public:
  explicit Twips(unsigned dpi) : dpi_(dpi) {}

  unsigned Dpi() const { return dpi_; }
  // Rounded to the nearest pixel, halves away from zero, as MulDiv does.
  int Px(int twips) const {
    const long long scaled = static_cast<long long>(twips) * dpi_;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
  }
  PixelRect Rect(const TwipsRect& r) const {
    return {Px(r.left), Px(r.top), Px(r.width), Px(r.height)};
  }
  // A font's height in pixels for `points` (1/72 inch), as LOGFONT's negative lfHeight wants it.
  int FontPixels(double points) const { return static_cast<int>(points * dpi_ / 72.0 + 0.5); }

 private:
  unsigned dpi_;
};

}  // namespace sorbel::win32
