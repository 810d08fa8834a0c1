#pragma once
// Handler dispatch. Every event handler runs through runHandler(), which
//   - counts the dispatch depth,
//   - catches every exception, so none crosses Qt's event loop (an unexpected error
//     is shown as the platform shows an untrapped error, then the program goes on),
//   - when the depth returns to 0, destroys what Unload and release retired
//     meanwhile and repaints the drawing surfaces.
// So a handler may unload or release its own window and still run to its end: the
// widgets and the instance it works on stay alive until the outermost dispatch ends.
//
// End() stops the program at once. In the application its exit hook closes what must
// be closed and leaves the process; in tests the hook throws ProgramEnded, which the
// dispatch records (programEnded()); no handler runs after it, modal loops end, and
// the code after End in every handler on the stack is skipped.

#include <functional>

class QObject;

namespace ui {

class Form;

// Thrown by End() under the test hook. Handlers catch runtime::Error or
// std::exception, never everything, so this passes through them.
struct ProgramEnded {};

void runHandler(const std::function<void()>& handler) noexcept;

// Processes pending window events; handlers of other windows (and of this one) may
// run in between, as the windows expect.
void DoEvents();

[[noreturn]] void End();
bool programEnded();

// Runs when End() is called, after the ended flag is set. The default is
// exitProcess(). A hook that returns makes End() throw ProgramEnded.
void setExitHook(std::function<void()> hook);
// Runs the cleanup callbacks, then leaves the process with exit code 0 at once: no
// window closes on its own, no unload handler runs.
[[noreturn]] void exitProcess();
// Callbacks the default exit hook runs, newest first (database connections, ...).
void addCleanup(std::function<void()> callback);
void runCleanups();

int dispatchDepth();

namespace detail {

// Runs platform code that may run handlers (Show, Unload, a property set by code that
// fires Change) with the depth held, so nothing retired meanwhile is destroyed before
// it returns. When End() ran inside, the code after it is skipped: a nested call throws
// ProgramEnded on to the enclosing dispatch, the outermost one returns normally.
void entry(const std::function<void()>& body);
// Inside entry(): stops here when the program has ended.
void checkEnded();

// Hands a retired widget tree (deleted later, when the dispatch depth is 0) or a
// released form instance (deleted directly then) to the graveyard.
void retire(QObject* widgetTree);
void retire(Form* instance);
void destroyRetired();

// Property changes made while a form builds its controls fire no events.
struct SuppressEvents {
    SuppressEvents();
    ~SuppressEvents();
    SuppressEvents(const SuppressEvents&) = delete;
    SuppressEvents& operator=(const SuppressEvents&) = delete;
};
bool eventsSuppressed();

// Nested modal loops register here so End() can end them.
void pushModalLoop(std::function<void()> quit);
void popModalLoop();

// Drawing surfaces repainted after every outermost dispatch.
void registerSurface(QObject* widget);
void unregisterSurface(QObject* widget);

// Held while a surface's paint runs its Paint handler. What that handler draws is shown
// by the same paint, so its dispatch repaints nothing afterwards: the request would start
// the next paint, and an idle window would paint for ever.
struct PaintInProgress {
    PaintInProgress();
    ~PaintInProgress();
    PaintInProgress(const PaintInProgress&) = delete;
    PaintInProgress& operator=(const PaintInProgress&) = delete;
};

// Whether a surface's paint is running.
bool paintInProgress();

void resetForTests();

}  // namespace detail
}  // namespace ui
