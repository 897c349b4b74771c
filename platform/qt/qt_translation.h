// Qt's own texts (standard buttons, the file dialog, the text boxes' context menu) in Japanese,
// from the translations Qt installs, so that no English shows inside the Japanese windows.
#pragma once

#include <QCoreApplication>

namespace sorbel {

// Installs Qt's Japanese translation on `application`; false (and Qt's English stays) when the
// translation files are not installed.
bool InstallJapaneseQtTexts(QCoreApplication& application);

}  // namespace sorbel
