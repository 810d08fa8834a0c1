#include "platform/ui/recording_navigator.h"

namespace ui {

void RecordingNavigator::navigate(const QUrl& url) {
    log().append(browser_->Name() + QLatin1Char(' ') + url.toString());
}

void RecordingNavigator::install() {
    log().clear();
    setNavigatorFactory([](WebBrowser& browser) { return std::make_unique<RecordingNavigator>(browser); });
}

QStringList& RecordingNavigator::log() {
    static QStringList entries;
    return entries;
}

}  // namespace ui
