// The main window's banner: the application title in large white full-width letters, centred
// on a rounded band shaded from lavender to pale blue.
#pragma once

#include <QPixmap>
#include <QString>

namespace sorbel {

// `title` in full-width letters ("Sorbel" -> "Ｓｏｒｂｅｌ").
QString FullWidth(const QString& title);

// The banner drawn at `size` device-independent pixels (700 x 100 at 96 dpi) for a screen
// with the given device pixel ratio, so it stays sharp when scaled.
QPixmap DrawBanner(const QString& title, QSize size, qreal device_pixel_ratio);

}  // namespace sorbel
