#include "shell/about_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <thread>

Tabout_form *about_form = nullptr;

QPixmap about_banner(qreal dpr) {
    QPixmap pm(QSize(336, 57) * dpr);
    pm.setDevicePixelRatio(dpr);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 336, 57);
    sky.setColorAt(0.0, QColor(18, 32, 58));
    sky.setColorAt(1.0, QColor(34, 86, 120));
    p.fillRect(QRectF(0, 0, 336, 57), sky);
    // A row of meter bars, the tray icon's motif, rising to the right.
    const int bars = 14;
    for (int i = 0; i < bars; ++i) {
        double h = 8 + 34.0 * (0.5 + 0.5 * std::sin(i * 0.7)) * (0.4 + 0.6 * i / bars);
        QRectF r(196 + i * 9.5, 49 - h, 6, h);
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0.0, QColor(120, 230, 160));
        g.setColorAt(1.0, QColor(40, 140, 90));
        p.fillRect(r, g);
    }
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawLine(QPointF(190, 49.5), QPointF(330, 49.5));
    QFont f = QGuiApplication::font();
    f.setPixelSize(30);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(240, 246, 255));
    p.drawText(QRectF(16, 4, 180, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vorkel"));
    QFont small = QGuiApplication::font();
    small.setPixelSize(10);
    p.setFont(small);
    p.setPen(QColor(170, 200, 230));
    p.drawText(QRectF(17, 38, 180, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("launcher \u00b7 task manager \u00b7 CPU meter"));
    return pm;
}

Tabout_form::Tabout_form(QWidget *owner) : QDialog(owner) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("about"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    Image2 = new QLabel(this);
    qreal dpr = devicePixelRatioF();
    Image2->setPixmap(about_banner(dpr));
    Image2->setFixedSize(336, 57);

    Label1 = new QLabel(this);
    QFont bold = font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setText(QStringLiteral("Vorkel manager by Orvane.\nwww.orvane.example, vorkel@orvane.example"));

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 7, 8);
    lay->setSpacing(0);
    lay->addWidget(Image2, 0, Qt::AlignTop | Qt::AlignLeft);
    lay->addStretch(1);
    lay->addWidget(Label1, 0, Qt::AlignRight);
    // 336 x 118 at design size; taller when the label's font needs it.
    int label_h = Label1->sizeHint().height();
    setFixedSize(336, std::max(118, 57 + 16 + label_h + 8));

    cl = new QTimer(this);
    cl->setSingleShot(true);
    cl->setInterval(1800);
    connect(cl, &QTimer::timeout, this, &Tabout_form::clTimer);

    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - QPoint(width() / 2, height() / 2));
}

std::vector<int> Tabout_form::fade_steps() {
    std::vector<int> steps;
    for (int alpha = 250; alpha > 20; alpha -= 2)
        steps.push_back(alpha);
    return steps;
}

void Tabout_form::clTimer() {
    cl->stop();
    for (int alpha : fade_steps()) {
        setWindowOpacity(alpha / 255.0);
        repaint();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    closing_ = true;
    accept();
}

void Tabout_form::closeEvent(QCloseEvent *event) {
    // Only the fade closes it.
    if (!closing_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void Tabout_form::keyPressEvent(QKeyEvent *event) { event->accept(); }

void show_about() {
    if (!about_form) {
        about_form = new Tabout_form(nullptr);
    } else {
        return; // shown once per run
    }
    about_form->cl->start();
    about_form->exec();
}
