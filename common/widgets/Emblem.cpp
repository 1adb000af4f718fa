#include "Emblem.h"

#include <QPainter>
#include <QPainterPath>

using namespace Qt::Literals::StringLiterals;

namespace levy {

QPixmap LevyEmblem(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A shield with a ledger's ruled lines and a coin.
    QPainterPath shield;
    shield.moveTo(s * 0.5, s * 0.04);
    shield.lineTo(s * 0.92, s * 0.18);
    shield.cubicTo(s * 0.92, s * 0.62, s * 0.72, s * 0.84, s * 0.5, s * 0.96);
    shield.cubicTo(s * 0.28, s * 0.84, s * 0.08, s * 0.62, s * 0.08, s * 0.18);
    shield.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 128), s * 0.03));
    p.setBrush(QColor(0, 0, 192));
    p.drawPath(shield);
    p.setPen(QPen(QColor(230, 230, 255), s * 0.025));
    for (int i = 0; i < 4; ++i) {
        const qreal y = s * (0.3 + 0.1 * i);
        p.drawLine(QPointF(s * 0.24, y), QPointF(s * 0.62, y));
    }
    p.setPen(QPen(QColor(140, 100, 0), s * 0.02));
    p.setBrush(QColor(230, 190, 40));
    p.drawEllipse(QPointF(s * 0.68, s * 0.62), s * 0.14, s * 0.14);
    p.setPen(QColor(120, 80, 0));
    QFont font(u"Liberation Serif"_s);
    font.setPixelSize(int(s * 0.16));
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(s * 0.54, s * 0.48, s * 0.28, s * 0.28), Qt::AlignCenter, u"$"_s);
    return pixmap;
}

} // namespace levy
