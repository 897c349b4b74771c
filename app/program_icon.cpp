// Drawn with QPainter at 16, 32 and 48 pixels so that every place gets a sharp picture
// without an icon file to ship.
#include "app/program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace sorbel {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap icon(size, size);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);  // drawn on a 32 x 32 grid

  QLinearGradient tile(0, 0, 0, 32);
  tile.setColorAt(0.0, QColor(150, 150, 250));
  tile.setColorAt(1.0, QColor(100, 100, 220));
  painter.setPen(QPen(QColor(70, 70, 170), 1));
  painter.setBrush(tile);
  painter.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 6, 6);

  // Table rows behind the funnel.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(204, 204, 255));
  for (int row = 0; row < 3; ++row) painter.drawRect(QRectF(5, 6 + row * 5, 22, 3));

  QPainterPath funnel;
  funnel.moveTo(6, 11);
  funnel.lineTo(26, 11);
  funnel.lineTo(18, 19);
  funnel.lineTo(18, 27);
  funnel.lineTo(14, 25);
  funnel.lineTo(14, 19);
  funnel.closeSubpath();
  painter.setPen(QPen(QColor(60, 60, 150), 1));
  painter.setBrush(Qt::white);
  painter.drawPath(funnel);
  return icon;
}

}  // namespace

QPixmap ProgramIconPixmap(int size) { return DrawIcon(size); }

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace sorbel
