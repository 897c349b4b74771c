// Without a substitution fontconfig answers "MS UI Gothic" with a Latin face and the Japanese
// glyphs come from a random fallback; the IPA and Noto Gothic faces match its look.
#include "platform/qt/ui_font.h"

#include <QStringList>

namespace sorbel {

namespace {

constexpr char kFamily[] = "MS UI Gothic";

}  // namespace

QFont UiFont(qreal point_size) {
  // Adding a substitute that is already listed changes nothing, so repeated calls are harmless.
  QFont::insertSubstitutions(
      kFamily, {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic", "Takao PGothic"});
  QFont font(kFamily);
  font.setPointSizeF(point_size);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

}  // namespace sorbel
