// Tests of modal dialogs: act on the next modal window once its own event loop runs, since
// the code under test waits inside that loop.
#pragma once

#include <QWidget>
#include <functional>

namespace sorbel::test {

// Calls `act` with the next window that becomes application-modal. Fails the test when none
// appears within a few seconds.
void OnNextModal(std::function<void(QWidget*)> act);

}  // namespace sorbel::test
