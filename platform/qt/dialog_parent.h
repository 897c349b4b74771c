// The window a modal box or dialog should belong to: the topmost modal window, else the
// active window, so that it comes up centred over what the user is looking at.
#pragma once

#include <QApplication>
#include <QWidget>

namespace sorbel {

inline QWidget* DialogParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

}  // namespace sorbel
