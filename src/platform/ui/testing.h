#pragma once
// Hooks for tests of windows. No modal show may block a test: once a failure
// reporter is installed (the GUI test main does so), showing a form modally runs the
// modal handler instead of a nested event loop, letting the test act on the window.
// A form still shown when the handler returns, or shown modally with no handler, is
// reported as a failure and hidden, so the test fails instead of hanging.

#include <functional>

#include <QString>

namespace ui {

class Form;

namespace testing {

void setModalHandler(std::function<void(Form&)> handler);
void setModalFailureReporter(std::function<void(const QString&)> reporter);
bool modalHandlingActive();

// Between tests: every form discarded without its handlers, the ended flag cleared,
// the modal handler removed, retired widgets destroyed.
void reset();
// Destroys the widgets retired so far (Qt's deferred deletion), as the event loop would.
void destroyRetiredWidgets();

namespace detail {
// Runs the modal handler for a form shown modally under test.
void runModal(Form& form);
}  // namespace detail

}  // namespace testing
}  // namespace ui
