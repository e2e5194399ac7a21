#include "toolkit/status_panel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

TStatusPanel::TStatusPanel(int design_width, const QString &sample_text, QWidget *parent) : QWidget(parent) {
    QFontMetrics fm(font());
    width_ = std::max(design_width, fm.horizontalAdvance(sample_text) + 10);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TStatusPanel::setText(const QString &text) {
    if (text == text_)
        return;
    text_ = text;
    update();
}

QSize TStatusPanel::sizeHint() const { return QSize(width_, QFontMetrics(font()).height() + 6); }

void TStatusPanel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.frameShape = QFrame::Panel;
    frame.state |= QStyle::State_Sunken;
    frame.lineWidth = 1;
    style()->drawControl(QStyle::CE_ShapedFrame, &frame, &p, this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect().adjusted(4, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter, text_);
}
