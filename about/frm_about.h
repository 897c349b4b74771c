// frmAbout: the version box. It shows the tool family's caption, the program icon, the title
// and the version text, and offers the support page and OK; it keeps nothing between openings.
#pragma once

#include <QDialog>

#include "front/about_form.h"
#include "platform/browser_launcher.h"
#include "platform/message_box.h"

class QKeyEvent;
class QPaintEvent;

namespace sorbel {

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  // Fills the box from the build's title and version. Shown with exec(), it is modal and
  // centred over `parent`; the launcher and the message box must outlive the box. When no
  // browser takes the support page, `messages` tells the user its address.
  frmAbout(BrowserLauncher& browser, MessageBox& messages, QWidget* parent = nullptr);

 protected:
  // The box has no cancel button: Esc leaves it open.
  void keyPressEvent(QKeyEvent* event) override;
  // Its thin border: the box has no title bar, and without one a window manager draws none.
  void paintEvent(QPaintEvent* event) override;

 private:
  void OpenSupportPage();

  BrowserLauncher& browser_;
  MessageBox& messages_;
};

}  // namespace sorbel
