#include "platform/ui/platform_style.h"

#include <QProxyStyle>
#include <QStyleFactory>

#include "platform/ui/colors.h"

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

QPalette platformPalette() {
    QPalette p;
    const struct {
        QPalette::ColorRole role;
        COLORREF color;
    } roles[] = {
        {QPalette::Window, vbButtonFace},       {QPalette::WindowText, vbWindowText},
        {QPalette::Base, vbWindowBackground},   {QPalette::AlternateBase, vbApplicationWorkspace},
        {QPalette::Text, vbWindowText},         {QPalette::Button, vbButtonFace},
        {QPalette::ButtonText, vbButtonText},   {QPalette::BrightText, vbHighlightText},
        {QPalette::Light, vb3DHighlight},       {QPalette::Midlight, vb3DLight},
        {QPalette::Mid, vbScrollBars},          {QPalette::Dark, vbButtonShadow},
        {QPalette::Shadow, vb3DDKShadow},       {QPalette::Highlight, vbHighlight},
        {QPalette::HighlightedText, vbHighlightText}, {QPalette::ToolTipBase, vbInfoBackground},
        {QPalette::ToolTipText, vbInfoText},    {QPalette::PlaceholderText, vbGrayText},
        {QPalette::Link, vbHighlightText},      {QPalette::LinkVisited, vbInactiveCaptionText},
    };
    for (const auto& r : roles) p.setColor(r.role, toQColor(r.color));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, toQColor(vbGrayText));
    return p;
}

}  // namespace ui
