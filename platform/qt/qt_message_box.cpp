// Shows the box over the active window and waits until the user has closed it.
// Plain text only, so that a file name with "<" or "&" shows as it is.
#include "platform/qt/qt_message_box.h"

#include <QMessageBox>

#include "platform/qt/dialog_parent.h"

namespace sorbel {

namespace {

QMessageBox::Icon QtIcon(MsgBoxIcon icon) {
  switch (icon) {
    case kIconCritical:
      return QMessageBox::Critical;
    case kIconWarning:
      return QMessageBox::Warning;
    case kIconNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void QtMessageBox::Show(const std::string& text, MsgBoxIcon icon, const std::string& caption) {
  QMessageBox box(QtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, DialogParent());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace sorbel
