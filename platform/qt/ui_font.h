// The windows' font: "MS UI Gothic" at a given point size, made to resolve to an installed
// Japanese Gothic face where that Windows face is missing.
#pragma once

#include <QFont>

namespace sorbel {

QFont UiFont(qreal point_size);

}  // namespace sorbel
