#include "platform/ui/form.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QThread>
#include <QWindow>

#include "platform/runtime/error.h"
#include "platform/ui/control_array.h"
#include "platform/ui/form_window.h"
#include "platform/ui/handlers.h"
#include "platform/ui/input.h"
#include "platform/ui/menu.h"
#include "platform/ui/screen.h"
#include "platform/ui/testing.h"
#include "platform/ui/timer.h"

namespace ui {

namespace {

constexpr int kFixedFrame = 3;
constexpr int kSizableFrame = 4;
constexpr int kCaption = 22;
constexpr int kToolCaption = 16;
constexpr int kMenuBar = 20;
constexpr int kExposureWaitMs = 500;

Form* g_active = nullptr;

// A window just shown reaches the screen when the platform exposes it; a paint before
// that has nowhere to go. Lets the platform's events through until then, for a short
// while at most (a minimised window is never exposed).
void waitForExposure(QWidget* window) {
    QPointer<QWindow> handle = window ? window->windowHandle() : nullptr;
    QDeadlineTimer deadline(kExposureWaitMs);
    while (handle && !handle->isExposed() && handle->isVisible() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (handle && !handle->isExposed()) QThread::msleep(2);
    }
}

bool isSizable(int borderStyle) {
    return borderStyle == vbSizable || borderStyle == vbSizableToolWindow;
}

}  // namespace

NonClientMetrics nonClientMetrics(int borderStyle, bool hasMenuBar) {
    NonClientMetrics m;
    int frame = 0, caption = 0;
    switch (borderStyle) {
    case vbFixedSingle:
    case vbFixedDialog: frame = kFixedFrame; caption = kCaption; break;
    case vbSizable: frame = kSizableFrame; caption = kCaption; break;
    case vbFixedToolWindow: frame = kFixedFrame; caption = kToolCaption; break;
    case vbSizableToolWindow: frame = kSizableFrame; caption = kToolCaption; break;
    default: break;
    }
    m.left = m.right = m.bottom = frame;
    m.top = frame + caption + (hasMenuBar ? kMenuBar : 0);
    return m;
}

Form::Form(QString name) : name_(std::move(name)) {}

Form::~Form() {
    if (g_active == this) g_active = nullptr;
    teardown();
    for (ControlArrayBase* array : arrays_) array->form_ = nullptr;
}

QWidget* Form::window() const { return window_.data(); }
QWidget* Form::clientArea() const { return client_.data(); }

NonClientMetrics Form::nonClient() const { return nonClientMetrics(borderStyle_, hasMenuBar_); }

QSize Form::clientPixels() const {
    const NonClientMetrics nc = nonClient();
    return {std::max(0, twipsToPixels(width_) - nc.width()),
            std::max(0, twipsToPixels(height_) - nc.height())};
}

QSize Form::surfaceSize() const { return clientPixels(); }

void Form::surfaceChanged() {
    if (client_) client_->update();
}

void Form::scaleChanged() {
    if (!client_) return;
    for (auto* child : client_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (auto* control = dynamic_cast<Control*>(child)) control->applyGeometry();
}

// ---- building --------------------------------------------------------------------

QWidget* Form::parentFor(Control* container) const {
    if (container) return container->widget();
    return client_.data();
}

void Form::adopt(Component* component, QObject* object, const QString& name, int index) {
    component->attach(this, name, index);
    object->setObjectName(name);
    if (index >= 0) object->setProperty("Index", index);
}

Timer* Form::createTimer(const QString& name, int interval, bool enabled) {
    auto* timer = new Timer(window_.data());
    adopt(timer, timer, name, -1);
    timer->setEnabled(enabled);
    timer->setInterval(interval);
    return timer;
}

Menu* Form::createMenu(const QString& name, const QString& caption, Menu* parent) {
    Menu* entry;
    if (!parent) {
        if (!hasMenuBar_) {
            // The menu bar comes out of the outer size's non-client part; the client
            // area keeps its size.
            hasMenuBar_ = true;
            height_ += pixelsToTwips(kMenuBar);
        }
        QMenu* menu = window_->ensureMenuBar()->addMenu(caption);
        entry = new Menu(menu, window_.data());
    } else {
        QMenu* menu = parent->menu() ? parent->menu() : parent->action()->menu();
        if (!menu) {
            // An item under an item: the item becomes a submenu.
            menu = new QMenu(parent->Caption(), window_.data());
            parent->action()->setMenu(menu);
        }
        entry = new Menu(menu->addAction(caption), window_.data());
    }
    adopt(entry, entry, name, -1);
    return entry;
}

void Form::buildWindow() {
    for (ControlArrayBase* array : arrays_) array->clear();
    // Design properties start from their defaults on every load, as a new window does.
    caption_.clear();
    back_ = vbButtonFace;
    fore_ = vbButtonText;
    borderStyle_ = vbSizable;
    controlBox_ = minButton_ = maxButton_ = true;
    startUpPosition_ = vbStartUpWindowsDefault;
    windowState_ = vbNormal;
    enabled_ = true;
    mousePointer_ = 0;
    font_ = ui::Font{};
    keyPreview_ = false;
    hasMenuBar_ = false;
    left_ = top_ = 0;
    width_ = 4800;
    height_ = 3600;
    setScaleMode(vbTwips);

    window_ = new FormWindow(this);
    window_->setObjectName(name_);
    client_ = new ClientArea(this, window_.data());
    client_->setObjectName(name_ + QStringLiteral("_client"));
    {
        detail::SuppressEvents quiet;
        createControls();
    }
    applyWindowFlags();
    window_->setWindowTitle(caption_);
    applyFormColors();
    applyWindowGeometry();
    createSurface();
}

// ---- life cycle --------------------------------------------------------------------

void Form::Load() {
    detail::entry([&] {
        if (loaded_ || loading_) return;
        loading_ = true;
        buildWindow();
        loading_ = false;
        loaded_ = true;
        runHandler([this] { Form_Load(); });
        detail::checkEnded();
    });
}

void Form::Show(int modal) {
    detail::entry([&] {
        Load();
        if (!loaded_) return;  // Form_Load unloaded it
        if (modal && visible_ && !modalLoop_)
            throw runtime::Error(400, "Form already displayed; can't show modally");
        const bool first = !shownSinceLoad_;
        visible_ = true;
        if (first) placeAtStartUp();
        applyWindowGeometry();
        window_->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
        switch (windowState_) {
        case vbMinimized: window_->showMinimized(); break;
        case vbMaximized: window_->showMaximized(); break;
        default: window_->show(); break;
        }
        window_->raise();
        window_->activateWindow();
        if (first) {
            shownSinceLoad_ = true;
            runHandler([this] { Form_Resize(); });
            detail::checkEnded();
            if (!loaded_ || !visible_) return;
        }
        activate();
        detail::checkEnded();
        if (modal && loaded_ && visible_) runModal();
    });
}

void Form::runModal() {
    if (testing::modalHandlingActive()) {
        testing::detail::runModal(*this);
    } else {
        QEventLoop loop;
        modalLoop_ = &loop;
        detail::pushModalLoop([&loop] { loop.quit(); });
        while (loaded_ && visible_ && !programEnded()) loop.exec();
        detail::popModalLoop();
        modalLoop_ = nullptr;
    }
    detail::checkEnded();
}

void Form::Hide() {
    detail::entry([&] {
        Load();
        if (!loaded_) return;
        visible_ = false;
        window_->hide();
        if (g_active == this) g_active = nullptr;
        if (modalLoop_) modalLoop_->quit();
        detail::checkEnded();
    });
}

void Form::setVisible(bool visible) {
    if (visible)
        Show();
    else
        Hide();
}

bool Form::unloadWith(int mode) {
    bool unloaded = true;
    detail::entry([&] {
        if (!loaded_ || unloading_) return;
        unloading_ = true;
        int cancel = 0;
        runHandler([&] { Form_QueryUnload(cancel, mode); });
        detail::checkEnded();
        if (cancel == 0 && loaded_) {
            runHandler([&] { Form_Unload(cancel); });
            detail::checkEnded();
        }
        unloading_ = false;
        if (cancel != 0) {
            unloaded = false;
            return;
        }
        teardown();
    });
    return unloaded;
}

void Form::teardown() {
    if (g_active == this) g_active = nullptr;
    if (!window_) {
        loaded_ = visible_ = shownSinceLoad_ = false;
        return;
    }
    // The form is unloaded from this moment: a handler still running on it sees that,
    // and its controls fire nothing more.
    loaded_ = false;
    visible_ = false;
    shownSinceLoad_ = false;
    try {
        closeDataControls();
    } catch (...) {
    }
    for (QObject* object : window_->findChildren<QObject*>())
        if (auto* component = dynamic_cast<Component*>(object)) component->retire();
    window_->detach();
    if (client_) client_->detach();
    window_->hide();
    if (modalLoop_) modalLoop_->quit();
    destroySurface();
    QWidget* tree = window_.data();
    window_ = nullptr;
    client_ = nullptr;
    detail::retire(tree);
}

void Form::activate() {
    if (g_active == this || !loaded_) return;
    Form* previous = g_active;
    g_active = this;
    if (previous && previous->loaded_) runHandler([previous] { previous->Form_Deactivate(); });
    runHandler([this] { Form_Activate(); });
}

// ---- window properties -------------------------------------------------------------

void Form::setCaption(const QString& caption) {
    caption_ = caption;
    if (window_) window_->setWindowTitle(caption);
}

void Form::setBackColor(COLORREF color) {
    back_ = color;
    applyFormColors();
    backColorChanged();
}

void Form::applyFormColors() {
    if (!client_) return;
    QPalette palette = client_->palette();
    palette.setColor(QPalette::Window, toQColor(back_));
    palette.setColor(QPalette::WindowText, toQColor(fore_));
    client_->setPalette(palette);
    client_->setFont(font_.toQFont());
    client_->update();
}

void Form::setBorderStyle(int borderStyle) {
    const NonClientMetrics before = nonClient();
    borderStyle_ = borderStyle;
    // A fixed border has no minimise or maximise button until the window asks for one.
    if (!isSizable(borderStyle)) minButton_ = maxButton_ = false;
    const NonClientMetrics after = nonClient();
    width_ += pixelsToTwips(after.width() - before.width());
    height_ += pixelsToTwips(after.height() - before.height());
    applyWindowFlags();
    applyWindowGeometry();
}

void Form::setControlBox(bool controlBox) {
    controlBox_ = controlBox;
    applyWindowFlags();
}

void Form::setMinButton(bool minButton) {
    minButton_ = minButton;
    applyWindowFlags();
}

void Form::setMaxButton(bool maxButton) {
    maxButton_ = maxButton;
    applyWindowFlags();
}

void Form::applyWindowFlags() {
    if (!window_) return;
    Qt::WindowFlags flags = Qt::Window;
    if (borderStyle_ == vbFixedToolWindow || borderStyle_ == vbSizableToolWindow) flags = Qt::Tool;
    if (borderStyle_ == vbBSNone) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (controlBox_) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (controlBox_ && minButton_) flags |= Qt::WindowMinimizeButtonHint;
        if (controlBox_ && maxButton_) flags |= Qt::WindowMaximizeButtonHint;
    }
    const bool shown = window_->isVisible();
    window_->setWindowFlags(flags);
    if (shown) window_->show();
}

void Form::setWindowState(int state) {
    windowState_ = state;
    if (!window_ || !visible_) return;
    byCode([&] {
        switch (state) {
        case vbMinimized: window_->showMinimized(); break;
        case vbMaximized: window_->showMaximized(); break;
        default: window_->showNormal(); break;
        }
    });
}

void Form::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (window_) window_->setEnabled(enabled);
}

void Form::setMousePointer(int pointer) {
    mousePointer_ = pointer;
    if (!client_) return;
    if (pointer == 0)
        client_->unsetCursor();
    else
        client_->setCursor(cursorForPointer(pointer));
}

void Form::setFont(const ui::Font& font) {
    font_ = font;
    applyFormColors();
}

// ---- geometry ------------------------------------------------------------------------

void Form::applyWindowGeometry() {
    if (!window_) return;
    const QSize client = clientPixels();
    const int menu = hasMenuBar_ ? kMenuBar : 0;
    const QSize outer(client.width(), client.height() + menu);
    placeWindow();
    if (!window_) return;
    if (isSizable(borderStyle_)) {
        window_->setMinimumSize(0, 0);
        window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window_->resize(outer);
    } else {
        window_->setFixedSize(outer);
    }
    if (auto* bar = window_->menuBar()) bar->setGeometry(0, 0, outer.width(), menu);
    client_->setGeometry(0, menu, client.width(), client.height());
    resizeSurface();
}

void Form::sizeChanged(QSize before) {
    if (!loaded_) return;
    applyWindowGeometry();
    if (clientPixels() == before || !shownSinceLoad_) return;
    byCode([this] { runHandler([this] { Form_Resize(); }); });
}

void Form::windowResized(QSize clientSize) {
    if (!loaded_ || clientSize == clientPixels()) return;
    // The user (or the window manager) resized the window.
    const NonClientMetrics nc = nonClient();
    width_ = pixelsToTwips(clientSize.width() + nc.width());
    height_ = pixelsToTwips(clientSize.height() + nc.height());
    if (client_) client_->setGeometry(0, hasMenuBar_ ? kMenuBar : 0, clientSize.width(),
                                      clientSize.height());
    resizeSurface();
    if (shownSinceLoad_) runHandler([this] { Form_Resize(); });
}

void Form::windowMoved(QPoint position) {
    if (position.x() != twipsToPixels(left_)) left_ = pixelsToTwips(position.x());
    if (position.y() != twipsToPixels(top_)) top_ = pixelsToTwips(position.y());
}

void Form::placeWindow() {
    if (!window_) return;
    if (visible_ && windowState_ != vbMinimized && !detail::paintInProgress()) {
        // The window manager frames a window only once it is on the screen. Moved before
        // that, the window's inside would go where its frame belongs, and the title bar
        // above it, off a screen's top edge.
        detail::entry([&] {
            waitForExposure(window_.data());
            detail::checkEnded();
        });
        if (!window_) return;
    }
    window_->move(twipsToPixels(left_), twipsToPixels(top_));
}

void Form::setLeft(double left) {
    left_ = left;
    placeWindow();
}

void Form::setTop(double top) {
    top_ = top;
    placeWindow();
}

void Form::setWidth(double width) {
    if (width < 0) throw runtime::Error(380, "Invalid property value");
    const QSize before = clientPixels();
    width_ = width;
    sizeChanged(before);
}

void Form::setHeight(double height) {
    if (height < 0) throw runtime::Error(380, "Invalid property value");
    const QSize before = clientPixels();
    height_ = height;
    sizeChanged(before);
}

void Form::Move(double left, std::optional<double> top, std::optional<double> width,
                std::optional<double> height) {
    if ((width && *width < 0) || (height && *height < 0))
        throw runtime::Error(380, "Invalid property value");
    const QSize before = clientPixels();
    left_ = left;
    if (top) top_ = *top;
    if (width) width_ = *width;
    if (height) height_ = *height;
    placeWindow();
    sizeChanged(before);
}

void Form::setClientSize(double width, double height) {
    const NonClientMetrics nc = nonClient();
    const QSize before = clientPixels();
    width_ = width + pixelsToTwips(nc.width());
    height_ = height + pixelsToTwips(nc.height());
    sizeChanged(before);
}

void Form::placeAtStartUp() {
    if (startUpPosition_ != vbStartUpOwner && startUpPosition_ != vbStartUpScreen) return;
    left_ = (Screen::Width() - width_) / 2;
    top_ = (Screen::Height() - height_) / 2;
}

void Form::ZOrder(int position) {
    if (!window_) return;
    if (position == 0)
        window_->raise();
    else
        window_->lower();
}

void Form::Refresh() {
    if (!client_) return;
    if (!visible_ || detail::paintInProgress()) {
        client_->update();
        return;
    }
    // At once, as the caller goes on with long work: a window just shown must show its
    // drawing from the first frame it has on the screen.
    detail::entry([&] {
        waitForExposure(window_.data());
        detail::checkEnded();
        if (window_) window_->repaint();
    });
}

std::vector<Component*> Form::Controls() const {
    std::vector<Component*> all;
    if (!window_) return all;
    for (QObject* object : window_->findChildren<QObject*>())
        if (auto* component = dynamic_cast<Component*>(object)) all.push_back(component);
    return all;
}

}  // namespace ui
