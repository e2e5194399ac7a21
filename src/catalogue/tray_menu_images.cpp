#include "catalogue/tray_menu_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>
#include <functional>

namespace {

using DRAW = std::function<void(QPainter &)>;

// One pixmap per scale; the painter works in 16 x 16 units.
QIcon drawn_icon(const DRAW &draw) {
    QIcon icon;
    for (qreal scale : {1.0, 1.5, 2.0, 3.0}) {
        int side = static_cast<int>(std::lround(16 * scale));
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(scale, scale);
            draw(p);
        }
        icon.addPixmap(pm);
    }
    return icon;
}

QPen pen(QColor c, qreal width, Qt::PenCapStyle cap = Qt::RoundCap) {
    return QPen(c, width, Qt::SolidLine, cap, Qt::RoundJoin);
}

// A door frame with an arrow leaving it.
void draw_exit(QPainter &p) {
    p.setPen(pen(QColor(70, 70, 78), 1, Qt::SquareCap));
    p.setBrush(QColor(196, 150, 96));
    p.drawRect(QRectF(2.5, 1.5, 7, 13));
    p.setBrush(QColor(120, 80, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(8, 8.5), 0.9, 0.9);
    p.setPen(pen(QColor(200, 40, 40), 2));
    p.drawLine(QPointF(8.5, 8), QPointF(13.5, 8));
    QPainterPath head;
    head.moveTo(11, 5);
    head.lineTo(14.5, 8);
    head.lineTo(11, 11);
    p.setPen(pen(QColor(200, 40, 40), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(head);
}

// The power symbol: an open ring with a bar through its gap.
void draw_shut_down(QPainter &p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(210, 48, 40));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(pen(Qt::white, 1.75));
    p.setBrush(Qt::NoBrush);
    // Qt angles: sixteenths of a degree, counter-clockwise from 3 o'clock.
    p.drawArc(QRectF(4, 4.5, 8, 8), 125 * 16, 290 * 16);
    p.drawLine(QPointF(8, 3), QPointF(8, 8));
}

// A window holding a list: title bar, then three rows with bullets.
void draw_show_list(QPainter &p) {
    p.setPen(pen(QColor(52, 84, 140), 1, Qt::SquareCap));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(66, 118, 200));
    p.drawRect(QRectF(2, 2, 12, 3));
    for (int row = 0; row < 3; ++row) {
        qreal y = 6.5 + row * 2.75;
        p.setBrush(QColor(66, 118, 200));
        p.drawRect(QRectF(3.5, y, 2, 1.5));
        p.setBrush(QColor(90, 90, 96));
        p.drawRect(QRectF(6.5, y, 6, 1.5));
    }
}

// A gear of eight teeth with a hole.
void draw_settings(QPainter &p) {
    QPainterPath gear;
    const QPointF c(8, 8);
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        double a = (i / 4 + (i % 4) * 0.25 - 0.125) * 2 * M_PI / teeth;
        double r = (i % 4 == 1 || i % 4 == 2) ? 7.5 : 5.6;
        QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            gear.moveTo(pt);
        else
            gear.lineTo(pt);
    }
    gear.closeSubpath();
    gear.addEllipse(c, 2.4, 2.4);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(pen(QColor(60, 64, 72), 0.75));
    p.setBrush(QColor(150, 156, 168));
    p.drawPath(gear);
}

// A terminal: dark screen with a prompt and a cursor.
void draw_script(QPainter &p) {
    p.setPen(pen(QColor(90, 96, 110), 1));
    p.setBrush(QColor(36, 40, 48));
    p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
    p.setPen(pen(QColor(110, 220, 120), 1.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath chevron;
    chevron.moveTo(3.5, 5.5);
    chevron.lineTo(6.5, 8);
    chevron.lineTo(3.5, 10.5);
    p.drawPath(chevron);
    p.drawLine(QPointF(8.5, 10.5), QPointF(12.5, 10.5));
}

} // namespace

std::vector<QIcon> own_item_images() {
    return {drawn_icon(draw_exit), drawn_icon(draw_shut_down), drawn_icon(draw_show_list),
            drawn_icon(draw_settings)};
}

QIcon script_image() { return drawn_icon(draw_script); }
