// Polls for the modal window on a timer of the running event loop, then hands it over once.
// The deadline only keeps a broken test from hanging; it measures nothing.
#include "tests/app/modal_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace sorbel::test {

void OnNextModal(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  const QDeadlineTimer deadline(5000);
  QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act), deadline] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal && !deadline.hasExpired()) return;
    timer->stop();
    timer->deleteLater();
    if (modal) {
      act(modal);
    } else {
      ADD_FAILURE() << "no modal window appeared";
    }
  });
  timer->start(5);
}

}  // namespace sorbel::test
