// frmAbout: the version box. It shows the tool family's caption, the program icon, the title
// and the version text, and offers the support page and OK; it keeps nothing between openings.
#pragma once

#include <QDialog>

#include "platform/browser_launcher.h"

class QKeyEvent;

namespace sorbel {

// The maker's support page, opened by the box's wide button.
inline constexpr char kSupportPageUrl[] = "https://www.example.com/sorbel/support/";

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  // Fills the box from the build's title and version. Shown with exec(), it is modal and
  // centred over `parent`; the launcher must outlive the box.
  explicit frmAbout(BrowserLauncher& browser, QWidget* parent = nullptr);

 protected:
  // The box has no cancel button: Esc leaves it open.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  BrowserLauncher& browser_;
};

}  // namespace sorbel
