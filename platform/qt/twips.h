// Window layouts are given in twips (1/1440 inch): 15 twips a pixel at 96 dpi. TwipsScale
// turns them into pixels at a widget's logical dpi, so a layout holds at 125 % and 150 %.
#pragma once

#include <QRect>
#include <QWidget>
#include <cmath>

namespace sorbel {

class TwipsScale {
 public:
  explicit TwipsScale(const QWidget& widget)
      : dpi_x_(widget.logicalDpiX()), dpi_y_(widget.logicalDpiY()) {}
  TwipsScale(int dpi_x, int dpi_y) : dpi_x_(dpi_x), dpi_y_(dpi_y) {}

  int X(int twips) const { return Pixels(twips, dpi_x_); }
  int Y(int twips) const { return Pixels(twips, dpi_y_); }

  // Edges are converted rather than sizes, so that boxes which touch in twips still touch.
  QRect Rect(int left, int top, int width, int height) const {
    return QRect(QPoint(X(left), Y(top)), QPoint(X(left + width) - 1, Y(top + height) - 1));
  }

 private:
  static int Pixels(int twips, int dpi) {
    return static_cast<int>(std::lround(twips * static_cast<double>(dpi) / 1440.0));
  }

  int dpi_x_;
  int dpi_y_;
};

}  // namespace sorbel
