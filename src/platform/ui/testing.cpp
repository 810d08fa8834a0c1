#include "platform/ui/testing.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/ui/form.h"
#include "platform/ui/forms.h"
#include "platform/ui/handlers.h"

namespace ui::testing {

namespace {
std::function<void(Form&)> g_handler;
std::function<void(const QString&)> g_reporter;
}  // namespace

void setModalHandler(std::function<void(Form&)> handler) { g_handler = std::move(handler); }

void setModalFailureReporter(std::function<void(const QString&)> reporter) {
    g_reporter = std::move(reporter);
}

bool modalHandlingActive() { return static_cast<bool>(g_reporter); }

void destroyRetiredWidgets() {
    ui::detail::destroyRetired();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void reset() {
    g_handler = nullptr;
    formsDiscardAll();
    ui::detail::resetForTests();
    destroyRetiredWidgets();
}

namespace detail {

void runModal(Form& form) {
    if (!g_handler) {
        g_reporter(QStringLiteral("%1 was shown modally with no modal handler").arg(form.Name()));
    } else {
        // A copy: the handler may install another one for a nested modal window.
        auto handler = g_handler;
        handler(form);
        if (!form.isLoaded() || !form.Visible() || programEnded()) return;
        g_reporter(QStringLiteral("%1 is still shown after the modal handler").arg(form.Name()));
    }
    form.Hide();
}

}  // namespace detail
}  // namespace ui::testing
