// Reads the desktop location (XDG_DESKTOP_DIR on Linux) and checks that it exists,
// since many Linux accounts have none and a dialog would then start somewhere arbitrary.
#include "platform/qt/qt_desktop_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace sorbel {

std::string QtDesktopFolder::Path() const {
  QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (desktop.isEmpty() || !QDir(desktop).exists()) desktop = QDir::homePath();
  return QDir::toNativeSeparators(desktop).toStdString();
}

}  // namespace sorbel
