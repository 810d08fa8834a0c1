#include "tools/tool_icons.h"

#include <QPainter>
#include <QPainterPath>

namespace tools {

namespace {

const QColor kStroke(0xb4, 0xb4, 0xc0);
const QColor kAccent(0xe0, 0xb4, 0x4a);

}  // namespace

QImage undoIcon() {
    QImage icon(16, 16, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath bend;
    bend.moveTo(5, 6.5);
    bend.lineTo(10, 6.5);
    bend.cubicTo(15, 6.5, 15, 13.5, 10, 13.5);
    bend.lineTo(6, 13.5);
    painter.setPen(QPen(kStroke, 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(bend);
    QPainterPath head;
    head.moveTo(1, 6.5);
    head.lineTo(6, 2.5);
    head.lineTo(6, 10.5);
    head.closeSubpath();
    painter.fillPath(head, kAccent);
    return icon;
}

}  // namespace tools
