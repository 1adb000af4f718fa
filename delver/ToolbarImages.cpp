#include "ToolbarImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace levy {
namespace {
constexpr int size = 24;

QIcon Draw(const std::function<void(QPainter&)>& paint)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    paint(p);
    return QIcon(pixmap);
}

void Page(QPainter& p)
{
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(14, 2);
    page.lineTo(19, 7);
    page.lineTo(19, 22);
    page.lineTo(5, 22);
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(14, 2), QPointF(14, 7));
    p.drawLine(QPointF(14, 7), QPointF(19, 7));
}
} // namespace

QList<QIcon> EditorToolbarImages()
{
    return {
        Draw([](QPainter& p) { Page(p); }),
        Draw([](QPainter& p) {
            p.setBrush(QColor(240, 200, 80));
            p.drawRect(QRectF(2, 7, 18, 13));
            p.setBrush(QColor(250, 220, 120));
            QPolygonF flap({QPointF(5, 11), QPointF(22, 11), QPointF(19, 20), QPointF(2, 20)});
            p.drawPolygon(flap);
        }),
        Draw([](QPainter& p) {
            p.setBrush(QColor(40, 60, 160));
            p.drawRect(QRectF(3, 3, 18, 18));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 3, 12, 7));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(7, 14, 10, 7));
        }),
        Draw([](QPainter& p) {
            p.setBrush(QColor(200, 230, 255));
            p.setPen(QPen(Qt::black, 2));
            p.drawEllipse(QPointF(10, 10), 6, 6);
            p.setPen(QPen(QColor(120, 70, 20), 3.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
        }),
        Draw([](QPainter& p) {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 2, 10, 7));
            p.setBrush(QColor(170, 170, 170));
            p.drawRoundedRect(QRectF(2, 9, 20, 9), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6, 15, 12, 7));
            p.setBrush(QColor(0, 160, 0));
            p.drawEllipse(QPointF(18, 12), 1, 1);
        }),
        Draw([](QPainter& p) {
            p.setBrush(QColor(40, 90, 200));
            p.drawEllipse(QPointF(12, 12), 10, 10);
            p.setPen(Qt::white);
            QFont font(u"Liberation Sans"_s);
            font.setPixelSize(15);
            font.setBold(true);
            p.setFont(font);
            p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, u"?"_s);
        }),
    };
}

} // namespace levy
