#include "platform/ui/web_engine.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "platform/ui/web_browser.h"

namespace ui {

namespace {

class WebEngineNavigator : public Navigator {
public:
    explicit WebEngineNavigator(WebBrowser& browser) : browser_(&browser) {}
    ~WebEngineNavigator() override { delete view_.data(); }

    void navigate(const QUrl& url) override {
        const bool blank = url == QUrl(QStringLiteral("about:blank"));
        if (!view_ && blank) return;  // the plain body already is an empty page
        if (!view_) {
            view_ = new QWebEngineView(browser_);
            // Until a page has drawn, the view shows the pane's own colour rather than a white
            // flash; a loaded page gets the engine's usual white under transparent parts.
            view_->page()->setBackgroundColor(browser_->palette().color(QPalette::Window));
            QObject::connect(view_->page(), &QWebEnginePage::loadFinished, view_,
                             [page = view_->page()](bool) { page->setBackgroundColor(Qt::white); });
            view_->setGeometry(browser_->rect());
            view_->show();
        }
        view_->load(url);
    }

    QWidget* view() const override { return view_.data(); }

private:
    WebBrowser* browser_;
    QPointer<QWebEngineView> view_;
};

}  // namespace

void prepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The offscreen platform has no OpenGL: the engine's scene graph draws in software.
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    // The engine refuses to start its sandbox as root and the process then dies at the
    // first page shown; as root (containers, test machines) it runs without one.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void installWebEngine() {
    setNavigatorFactory([](WebBrowser& browser) { return std::make_unique<WebEngineNavigator>(browser); });
}

}  // namespace ui
