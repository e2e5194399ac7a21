#include "logging/stat_chart.h"

#include "toolkit/bar_chart_accessible.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <QLocale>
#include <QPushButton>
#include <QValueAxis>

#include <algorithm>

TStatChart::TStatChart(bool percent_marks, QWidget *parent)
    : QChartView(parent), percent_marks_(percent_marks) {
    auto *c = new QChart;
    c->legend()->hide();
    c->setTitle(QString());
    c->setAnimationOptions(QChart::SeriesAnimations);
    c->setMargins(QMargins(4, 4, 4, 20));
    series_ = new QBarSeries;
    set_ = new QBarSet(QString());
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0.0, QColor(192, 192, 192));
    gradient.setColorAt(1.0, QColor(128, 128, 128));
    set_->setBrush(gradient);
    set_->setColor(QColor(128, 128, 128));
    set_->setBorderColor(QColor(96, 96, 96));
    series_->append(set_);
    c->addSeries(series_);
    axis_x_ = new QBarCategoryAxis;
    axis_y_ = new QValueAxis;
    axis_y_->setLabelsVisible(!percent_marks_);
    axis_y_->setLabelFormat("%g");
    c->addAxis(axis_x_, Qt::AlignBottom);
    c->addAxis(axis_y_, Qt::AlignLeft);
    series_->attachAxis(axis_x_);
    series_->attachAxis(axis_y_);
    setChart(c);
    setRenderHint(QPainter::Antialiasing);
    // Dragging along the bars zooms into them (animated); a right click zooms out.
    setRubberBand(QChartView::HorizontalRubberBand);
    connect(c, &QChart::plotAreaChanged, this, [this] { place_marks(); });
    connect(axis_x_, &QBarCategoryAxis::rangeChanged, this, [this] { place_marks(); });
    connect(axis_y_, &QValueAxis::rangeChanged, this, [this] { place_marks(); });

    prev_button = new QPushButton(QStringLiteral("<< Prev page"), this);
    prev_button->setGeometry(209, 164, 100, 25);
    next_button = new QPushButton(QStringLiteral("Nex page >>"), this);
    next_button->setGeometry(313, 164, 100, 25);
    // Screen readers hear each bar shown: its name and its mark.
    expose_bars(this, [this] {
        std::vector<SHOWN_BAR> bars;
        const QStringList labels = shown_labels(), marks = shown_marks();
        for (qsizetype i = 0; i < labels.size(); ++i)
            bars.push_back({labels[i], i < marks.size() ? marks[i] : QString()});
        return bars;
    });
    show_page();
}

int TStatChart::page_count() const { return chart_page_count(items_.size()); }

void TStatChart::set_items(std::vector<CHART_ITEM> items) {
    items_ = std::move(items);
    total_ = 0.0;
    for (const auto &item : items_)
        total_ += item.value;
    page_ = 1;
    show_page();
}

void TStatChart::prev_page() {
    if (page_ >= 2) {
        --page_;
        show_page();
    }
}

void TStatChart::next_page() {
    if (page_ < page_count()) {
        ++page_;
        show_page();
    }
}

int TStatChart::series_bar_count() const { return set_->count(); }

QStringList TStatChart::shown_labels() const { return axis_x_->categories(); }

QStringList TStatChart::shown_marks() const { return mark_texts_; }

void TStatChart::show_page() {
    chart()->zoomReset();
    set_->remove(0, set_->count());
    axis_x_->clear();
    mark_texts_.clear();
    const QLocale locale;
    const std::string group = QString(locale.groupSeparator()).toStdString();
    const std::string decimal = QString(locale.decimalPoint()).toStdString();
    const std::size_t first = static_cast<std::size_t>(page_ - 1) * chart_bars_per_page;
    const std::size_t last = std::min(items_.size(), first + chart_bars_per_page);
    QStringList labels;
    QList<qreal> values;
    double top = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        // Category labels must differ; a repeated name gets invisible padding.
        QString label = QString::fromUtf8(items_[i].label.c_str());
        while (labels.contains(label))
            label += QChar(0x200B);
        labels << label;
        values << items_[i].value;
        top = std::max(top, items_[i].value);
        mark_texts_ << QString::fromStdString(percent_marks_
                                                  ? format_mark_percent(items_[i].value, total_, decimal)
                                                  : format_mark_value(items_[i].value, group, decimal));
    }
    axis_x_->append(labels);
    set_->append(values);
    axis_y_->setRange(0.0, top > 0.0 ? top * 1.15 : 1.0);
    axis_y_->applyNiceNumbers();
    place_marks();
    bars_changed(this);
}

void TStatChart::place_marks() {
    QChart *c = chart();
    while (marks_.size() > static_cast<std::size_t>(mark_texts_.size())) {
        delete marks_.back();
        marks_.pop_back();
    }
    while (marks_.size() < static_cast<std::size_t>(mark_texts_.size())) {
        auto *item = new QGraphicsSimpleTextItem(c);
        item->setZValue(10);
        QFont small = font();
        small.setPointSizeF(std::max(6.0, small.pointSizeF() - 1.0));
        item->setFont(small);
        marks_.push_back(item);
    }
    for (int i = 0; i < mark_texts_.size(); ++i) {
        QGraphicsSimpleTextItem *item = marks_[static_cast<std::size_t>(i)];
        item->setText(mark_texts_[i]);
        const QPointF top = c->mapToPosition(QPointF(i, set_->at(i)), series_);
        const QRectF box = item->boundingRect();
        item->setPos(top.x() - box.width() / 2, top.y() - box.height() - 2);
        // A bar zoomed out of view keeps its mark out of view too.
        const QRectF plot = c->plotArea();
        item->setVisible(top.x() >= plot.left() && top.x() <= plot.right());
    }
}
