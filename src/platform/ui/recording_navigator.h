#pragma once
// A navigator for tests: it shows nothing and records every navigation of every
// browser, in order, as "<browser name> <url>".

#include <QStringList>

#include "platform/ui/web_browser.h"

namespace ui {

class RecordingNavigator : public Navigator {
public:
    explicit RecordingNavigator(WebBrowser& browser) : browser_(&browser) {}
    void navigate(const QUrl& url) override;

    // Installs the recording factory for browsers created from now on and clears the log.
    static void install();
    // Every navigation since install(): "WebBrowser1 about:blank".
    static QStringList& log();

private:
    WebBrowser* browser_;
};

}  // namespace ui
