// Draws the banner with QPainter at start-up instead of shipping a picture file, so it stays
// sharp at any screen scaling and always shows the built title.
#include "app/banner.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "platform/qt/ui_font.h"

namespace sorbel {

QString FullWidth(const QString& title) {
  QString wide;
  for (QChar c : title) {
    // Printable ASCII has its full-width twin 0xFEE0 higher; a blank becomes the ideographic
    // space.
    if (c.unicode() > 0x20 && c.unicode() < 0x7F) {
      wide += QChar(static_cast<char16_t>(c.unicode() + 0xFEE0));
    } else if (c == u' ') {
      wide += QChar(0x3000);
    } else {
      wide += c;
    }
  }
  return wide;
}

QPixmap DrawBanner(const QString& title, QSize size, qreal device_pixel_ratio) {
  QPixmap banner(size * device_pixel_ratio);
  banner.setDevicePixelRatio(device_pixel_ratio);
  banner.fill(Qt::white);

  QPainter painter(&banner);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const QRectF band = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(2, 4, -2, -4);
  const qreal radius = band.height() / 2.5;

  QLinearGradient shade(band.topLeft(), band.topRight());
  shade.setColorAt(0.0, QColor(176, 160, 236));  // lavender
  shade.setColorAt(1.0, QColor(150, 200, 246));  // pale blue
  QPainterPath path;
  path.addRoundedRect(band, radius, radius);
  painter.fillPath(path, shade);

  // A soft light edge along the top gives the band some depth.
  QLinearGradient gloss(band.topLeft(), band.bottomLeft());
  gloss.setColorAt(0.0, QColor(255, 255, 255, 110));
  gloss.setColorAt(0.5, QColor(255, 255, 255, 0));
  painter.fillPath(path, gloss);

  QFont font = UiFont(10);
  font.setPixelSize(static_cast<int>(band.height() * 0.62));
  font.setBold(true);
  painter.setFont(font);
  const QString text = FullWidth(title);
  painter.setPen(QColor(90, 80, 170, 120));  // shadow, so white letters read on the light band
  painter.drawText(band.translated(2, 2), Qt::AlignCenter, text);
  painter.setPen(Qt::white);
  painter.drawText(band, Qt::AlignCenter, text);
  return banner;
}

}  // namespace sorbel
