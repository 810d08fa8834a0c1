#include "platform/ui/web_browser.h"

#include <QDir>

#include "platform/runtime/error.h"

namespace ui {

namespace {
NavigatorFactory& factory() {
    static NavigatorFactory f;
    return f;
}
}  // namespace

void setNavigatorFactory(NavigatorFactory f) { factory() = std::move(f); }

QUrl navigationUrl(const QString& target) {
    const QString text = target.trimmed();
    if (text.startsWith(QStringLiteral("about:"), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("about:") + text.mid(6).trimmed().toLower());
    if (QDir::isAbsolutePath(text) && !text.contains(QStringLiteral("://"))) return QUrl::fromLocalFile(text);
    return QUrl::fromUserInput(text, QDir::currentPath());
}

WebBrowser::WebBrowser(QWidget* parent) : QWidget(parent), Control(this) {
    if (factory()) navigator_ = factory()(*this);
    initAppearance(vbWindowBackground, vbWindowText);
}

WebBrowser::~WebBrowser() { navigator_.reset(); }

void WebBrowser::Navigate(const QString& target) {
    if (target.trimmed().isEmpty()) runtime::raise(runtime::kErrInvalidProcedureCall);
    location_ = navigationUrl(target);
    if (!navigator_) return;
    navigator_->navigate(location_);
    fitView();
}

void WebBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitView();
}

void WebBrowser::fitView() {
    // The size of a hidden widget reaches resizeEvent only when it is shown.
    if (!navigator_) return;
    if (QWidget* view = navigator_->view()) view->setGeometry(rect());
}

}  // namespace ui
