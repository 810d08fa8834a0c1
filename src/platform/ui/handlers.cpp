#include "platform/ui/handlers.h"

#include <cstdio>
#include <memory>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

#include "platform/runtime/error.h"
#include "platform/runtime/messages.h"
#include "platform/ui/form.h"
#include "platform/ui/services.h"

namespace ui {
namespace {

int g_depth = 0;
int g_suppress = 0;
bool g_ended = false;
bool g_flushing = false;
std::vector<QPointer<QObject>> g_retiredTrees;
std::vector<Form*> g_retiredForms;
std::vector<std::function<void()>> g_cleanups;
std::vector<std::function<void()>> g_modalQuits;
std::vector<QPointer<QObject>> g_surfaces;
int g_painting = 0;

std::function<void()>& exitHook() {
    static std::function<void()> hook = [] { exitProcess(); };
    return hook;
}

void showUntrapped(const QString& description) {
    // The message box may itself dispatch; it runs at the current depth, so nothing
    // is destroyed under the handler that failed.
    try {
        services().MsgBox(description, runtime::vbOKOnly | runtime::vbCritical, QString());
    } catch (...) {
    }
}

void repaintSurfaces() {
    for (auto it = g_surfaces.begin(); it != g_surfaces.end();) {
        if (!*it) {
            it = g_surfaces.erase(it);
            continue;
        }
        if (auto* w = qobject_cast<QWidget*>(it->data()); w && w->isVisible()) w->update();
        ++it;
    }
}

void afterOutermost() {
    if (g_flushing) return;
    g_flushing = true;
    detail::destroyRetired();
    if (g_painting == 0) repaintSurfaces();
    g_flushing = false;
}

void leave() {
    --g_depth;
    if (g_depth == 0) afterOutermost();
}

}  // namespace

void runHandler(const std::function<void()>& handler) noexcept {
    if (g_ended || !handler) return;
    ++g_depth;
    QString failure;
    bool failed = false;
    try {
        handler();
    } catch (const ProgramEnded&) {
        // Recorded by End(); a nested dispatch cannot rethrow across Qt's frames, so the
        // enclosing platform code checks the flag when control comes back to it.
    } catch (const runtime::Error& e) {
        failed = true;
        failure = QString::fromStdString(e.description());
    } catch (const std::exception& e) {
        failed = true;
        failure = QString::fromUtf8(e.what());
    } catch (...) {
        failed = true;
        failure = QString::fromStdString(runtime::describeError(0));
    }
    if (failed && !g_ended) showUntrapped(failure);
    leave();
}

void DoEvents() {
    detail::entry([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        detail::checkEnded();
    });
}

void End() {
    g_ended = true;
    // Quit from the innermost loop outwards; each Show() that ran one returns and
    // stops its caller.
    for (auto it = g_modalQuits.rbegin(); it != g_modalQuits.rend(); ++it) (*it)();
    if (auto& hook = exitHook()) hook();
    throw ProgramEnded{};
}

bool programEnded() { return g_ended; }

void setExitHook(std::function<void()> hook) { exitHook() = std::move(hook); }

void exitProcess() {
    runCleanups();
    std::fflush(nullptr);
    ::_exit(0);
}

void addCleanup(std::function<void()> callback) { g_cleanups.push_back(std::move(callback)); }

void runCleanups() {
    while (!g_cleanups.empty()) {
        auto callback = std::move(g_cleanups.back());
        g_cleanups.pop_back();
        try {
            if (callback) callback();
        } catch (...) {
        }
    }
}

int dispatchDepth() { return g_depth; }

namespace detail {

void entry(const std::function<void()>& body) {
    const bool outermost = g_depth == 0;
    ++g_depth;
    try {
        body();
    } catch (const ProgramEnded&) {
        leave();
        if (!outermost) throw;
        return;
    } catch (...) {
        leave();
        throw;
    }
    leave();
}

void checkEnded() {
    if (g_ended) throw ProgramEnded{};
}

void retire(QObject* widgetTree) {
    if (!widgetTree) return;
    g_retiredTrees.emplace_back(widgetTree);
    if (g_depth == 0) afterOutermost();
}

void retire(Form* instance) {
    if (!instance) return;
    g_retiredForms.push_back(instance);
    if (g_depth == 0) afterOutermost();
}

void destroyRetired() {
    // Forms first: a form's destructor may retire what it still owns.
    while (!g_retiredForms.empty() || !g_retiredTrees.empty()) {
        auto forms = std::move(g_retiredForms);
        g_retiredForms.clear();
        for (Form* f : forms) delete f;
        auto trees = std::move(g_retiredTrees);
        g_retiredTrees.clear();
        // deleteLater: the tree may hold the widget whose Qt event code is still on the
        // stack below the outermost dispatch (a button inside its click).
        for (auto& t : trees)
            if (t) t->deleteLater();
    }
}

SuppressEvents::SuppressEvents() { ++g_suppress; }
SuppressEvents::~SuppressEvents() { --g_suppress; }
bool eventsSuppressed() { return g_suppress > 0; }

void pushModalLoop(std::function<void()> quit) { g_modalQuits.push_back(std::move(quit)); }
void popModalLoop() {
    if (!g_modalQuits.empty()) g_modalQuits.pop_back();
}

void registerSurface(QObject* widget) { g_surfaces.emplace_back(widget); }
void unregisterSurface(QObject* widget) {
    for (auto& s : g_surfaces)
        if (s == widget) s = nullptr;
}

PaintInProgress::PaintInProgress() { ++g_painting; }
PaintInProgress::~PaintInProgress() { --g_painting; }

bool paintInProgress() { return g_painting != 0; }

void resetForTests() {
    g_ended = false;
    g_depth = 0;
    g_suppress = 0;
    g_modalQuits.clear();
    destroyRetired();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace detail
}  // namespace ui
