// QDesktopServices hands the address to the desktop's default handler for its scheme.
// Only well-formed addresses are passed on.
#include "platform/qt/qt_browser_launcher.h"

#include <QDesktopServices>
#include <QUrl>

namespace sorbel {

bool QtBrowserLauncher::Open(const std::string& url) {
  const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
  if (!address.isValid()) return false;
  return QDesktopServices::openUrl(address);
}

}  // namespace sorbel
