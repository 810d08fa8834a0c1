#include "platform/ui/platform_style.h"

#include <QProxyStyle>
#include <QStyleFactory>

namespace ui {

namespace {

constexpr int kMarkPixels = 13;

class PlatformStyle : public QProxyStyle {
public:
    explicit PlatformStyle(QStyle* base) : QProxyStyle(base) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight: return kMarkPixels;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};

}  // namespace

QStyle* createPlatformStyle() { return new PlatformStyle(QStyleFactory::create(QStringLiteral("Fusion"))); }

}  // namespace ui
