#pragma once
// The web browser control: shows a local file (a picture, a page, a web archive), a
// folder or an address inside its rectangle. Navigate(target) takes what the windows
// pass: "about: blank" (with or without the blank after the colon) for an empty page,
// an absolute path, or an address. LocationURL is the address last navigated to.
// Geometry, Visible and ZOrder are a control's; none of the browser's own events is
// needed by the windows.
//
// The engine that shows pages is injected, so that programs linking this layer do not
// link a browser: the body is a plain widget in BackColor, and a Navigator made by the
// installed factory puts its view over it. The program installs Qt WebEngine once
// (installWebEngine, library qm_ui_web); tests install a recording navigator
// (recording_navigator.h). Without a factory a browser only remembers its address.

#include <functional>
#include <memory>

#include <QUrl>
#include <QWidget>

#include "platform/ui/control.h"

namespace ui {

class WebBrowser;

// What shows the pages of one browser.
class Navigator {
public:
    virtual ~Navigator() = default;
    // Loads url in place of what is shown; called once per Navigate, in order.
    virtual void navigate(const QUrl& url) = 0;
    // The widget showing the page, kept over the browser's whole body (null: none yet).
    virtual QWidget* view() const { return nullptr; }
};

using NavigatorFactory = std::function<std::unique_ptr<Navigator>(WebBrowser& browser)>;

// Browsers created from now on get their navigator from this factory; an empty
// factory leaves them without one.
void setNavigatorFactory(NavigatorFactory factory);

// The address a Navigate target stands for: about:blank for "about: blank"; a file URL
// for an absolute path (file or folder); otherwise the address as an address bar reads
// it ("www.example.com" is http, a relative path of an existing file is that file).
QUrl navigationUrl(const QString& target);

class WebBrowser : public QWidget, public Control {
    Q_OBJECT
public:
    explicit WebBrowser(QWidget* parent = nullptr);
    ~WebBrowser() override;
    using Control::setEnabled;
    using Control::setFont;
    using Control::setVisible;

    // Error 5 for an empty target.
    void Navigate(const QString& target);
    // "" before the first navigation.
    QString LocationURL() const { return location_.toString(); }

    Navigator* navigator() const { return navigator_.get(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void geometryApplied() override { fitView(); }

private:
    void fitView();

    std::unique_ptr<Navigator> navigator_;
    QUrl location_;
};

}  // namespace ui
