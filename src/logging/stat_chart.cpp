#include "logging/stat_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QCursor>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <QLocale>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

// Labels slant at 45 degrees: a label w wide and h high reaches
// slant * (w + h / 2) below and left of the point it ends at.
constexpr double slant = 0.70710678;
constexpr int side_margin = 4;

} // namespace

TStatChart::TStatChart(STAT_CHART kind, QWidget *parent) : QChartView(parent), kind_(kind) {
    auto *c = new QChart;
    c->legend()->hide();
    c->setTitle(QString());
    c->setAnimationOptions(QChart::SeriesAnimations);
    c->layout()->setContentsMargins(0, 0, 0, 0);
    c->setBackgroundRoundness(0);
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
    // The names are written by the chart itself (place_marks), slanting
    // and cut in the middle where needed; the axis would cut them short.
    axis_x_->setLabelsVisible(false);
    axis_y_ = new QValueAxis;
    axis_y_->setLabelsVisible(kind_ != STAT_CHART::time);
    axis_y_->setTruncateLabels(false);
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
    connect(series_, &QBarSeries::hovered, this, [this](bool on, int index) {
        const int item = (page_ - 1) * chart_bars_per_page + index;
        if (on && index >= 0 && item < bar_count())
            QToolTip::showText(QCursor::pos(),
                               QString::fromStdString(items_[static_cast<std::size_t>(item)].label), this);
        else
            QToolTip::hideText();
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

QStringList TStatChart::shown_labels() const { return label_texts_; }

QStringList TStatChart::shown_marks() const { return mark_texts_; }

QStringList TStatChart::drawn_labels() const {
    QStringList texts;
    for (std::size_t i = 0; i < labels_.size() && labels_[i]->isVisible(); ++i)
        texts << labels_[i]->text();
    return texts;
}

QString TStatChart::axis_format() const { return axis_y_->labelFormat(); }

void TStatChart::resizeEvent(QResizeEvent *event) {
    QChartView::resizeEvent(event);
    reserve_label_room();
}

void TStatChart::show_page() {
    chart()->zoomReset();
    set_->remove(0, set_->count());
    axis_x_->clear();
    mark_texts_.clear();
    label_texts_.clear();
    const QLocale locale;
    const std::string group = QString(locale.groupSeparator()).toStdString();
    const std::string decimal = QString(locale.decimalPoint()).toStdString();
    const std::size_t first = static_cast<std::size_t>(page_ - 1) * chart_bars_per_page;
    const std::size_t last = std::min(items_.size(), first + chart_bars_per_page);
    double top = 0.0;
    for (std::size_t i = first; i < last; ++i)
        top = std::max(top, items_[i].value);
    const bool memory = kind_ == STAT_CHART::ram || kind_ == STAT_CHART::paged;
    const STAT_UNIT unit = memory ? memory_unit(top) : STAT_UNIT{1.0, kind_ == STAT_CHART::cpu ? "%" : ""};
    QStringList categories;
    QList<qreal> values;
    for (std::size_t i = first; i < last; ++i) {
        const QString name = QString::fromStdString(items_[i].label);
        label_texts_ << name;
        // Categories must differ; the axis shows none of them.
        categories << QString::number(i);
        values << items_[i].value / unit.divisor;
        mark_texts_ << QString::fromStdString(kind_ == STAT_CHART::time
                                                  ? format_mark_percent(items_[i].value, total_, decimal)
                                                  : format_mark_value(items_[i].value, group, decimal));
    }
    axis_x_->append(categories);
    set_->append(values);
    unit_ = unit.name;
    top_shown_ = top / unit.divisor;
    fit_value_axis(top_shown_ > 0.0 ? top_shown_ * 1.15 : 1.0);
    reserve_label_room();
    place_marks();
}

void TStatChart::fit_value_axis(double max) {
    axis_y_->setRange(0.0, max);
    axis_y_->applyNiceNumbers();
    const double interval = (axis_y_->max() - axis_y_->min()) / std::max(1, axis_y_->tickCount() - 1);
    axis_y_->setLabelFormat(QString::fromStdString(axis_label_format(interval, unit_)));
}

void TStatChart::reserve_label_room() {
    const QFontMetricsF fm(font());
    // A label may take half the chart's height; the plot keeps the rest.
    const double widest_allowed = height() * 0.5 / slant - fm.height() / 2;
    double widest = 0.0;
    for (const QString &name : label_texts_)
        widest = std::max(widest, std::min(fm.horizontalAdvance(name), widest_allowed));
    const int below = label_texts_.isEmpty()
                          ? side_margin
                          : static_cast<int>(std::ceil(slant * (widest + fm.height()))) + 6;
    // The left margin starts narrow; place_marks widens it for the labels.
    const QMargins margins(side_margin, side_margin, side_margin, below);
    if (chart()->margins() != margins)
        chart()->setMargins(margins);
}

void TStatChart::place_marks() {
    QChart *c = chart();
    const QRectF plot = c->plotArea();
    auto grow = [&](std::vector<QGraphicsSimpleTextItem *> &items, int count, double point_size_change) {
        while (items.size() > static_cast<std::size_t>(count)) {
            delete items.back();
            items.pop_back();
        }
        while (items.size() < static_cast<std::size_t>(count)) {
            auto *item = new QGraphicsSimpleTextItem(c);
            item->setZValue(10);
            QFont f = font();
            f.setPointSizeF(std::max(6.0, f.pointSizeF() + point_size_change));
            item->setFont(f);
            items.push_back(item);
        }
    };
    grow(marks_, static_cast<int>(mark_texts_.size()), -1.0);
    grow(labels_, static_cast<int>(label_texts_.size()), 0.0);
    const QFontMetricsF fm(font());
    const double widest_allowed = height() * 0.5 / slant - fm.height() / 2;
    // Marks wider than a bar's room would run into each other: a mark that
    // would meet the one before it goes above that one. The highest bar
    // leaves room for two lines of marks then, else for one.
    double widest_mark = 0.0, mark_height = 0.0;
    for (int i = 0; i < mark_texts_.size(); ++i) {
        marks_[static_cast<std::size_t>(i)]->setText(mark_texts_[i]);
        widest_mark = std::max(widest_mark, marks_[static_cast<std::size_t>(i)]->boundingRect().width());
        mark_height = marks_[static_cast<std::size_t>(i)]->boundingRect().height();
    }
    const double slot = mark_texts_.isEmpty() ? 0.0 : plot.width() / mark_texts_.size();
    const bool staggered = widest_mark + 4 > slot;
    const double headroom = (staggered ? 2 : 1) * mark_height + 4;
    if (top_shown_ > 0.0 && plot.height() > 2 * headroom) {
        const double needed = top_shown_ * plot.height() / (plot.height() - headroom);
        if (axis_y_->max() < needed) {
            fit_value_axis(needed); // comes back here with the new range
            return;
        }
    }
    // The labels of the first bars reach left beyond the plot: the chart
    // moves right until they fit, up to a third of its width.
    double short_of_room = 0.0;
    for (int i = 0; i < label_texts_.size(); ++i) {
        const double x = c->mapToPosition(QPointF(i, 0.0), series_).x();
        const double width = std::min(widest_allowed, fm.horizontalAdvance(label_texts_[i]));
        short_of_room = std::max(short_of_room, slant * (width + fm.height() / 2) + 2 - x);
    }
    const QMargins margins = c->margins();
    if (short_of_room >= 1.0 && margins.left() + short_of_room <= width() / 3.0) {
        c->setMargins(margins + QMargins(static_cast<int>(std::ceil(short_of_room)), 0, 0, 0));
        return; // comes back here with the new plot area
    }
    for (int i = 0; i < mark_texts_.size(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        const QPointF top = c->mapToPosition(QPointF(i, set_->at(i)), series_);
        // A bar zoomed out of view keeps its mark and its label out of view too.
        const bool in_view = top.x() >= plot.left() && top.x() <= plot.right();

        QGraphicsSimpleTextItem *mark = marks_[at];
        const QRectF box = mark->boundingRect();
        // Kept over the plot, clear of the axis's labels.
        const double left = std::clamp(top.x() - box.width() / 2, plot.left(),
                                       std::max(plot.left(), plot.right() - box.width()));
        QRectF place(left, top.y() - box.height() - 2, box.width(), box.height());
        if (i > 0 && place.intersects(QRectF(marks_[at - 1]->pos(), marks_[at - 1]->boundingRect().size())))
            place.moveBottom(marks_[at - 1]->pos().y() - 1);
        mark->setPos(place.topLeft());
        mark->setVisible(in_view);

        // The label ends under the middle of its bar and slants down to the
        // left: as wide as the room below and the room to its left allow.
        QGraphicsSimpleTextItem *label = labels_[at];
        const double room_left = top.x() / slant - fm.height() / 2;
        const QString &name = label_texts_[i];
        label->setText(
            fm.elidedText(name, Qt::ElideMiddle, std::max(0.0, std::min(widest_allowed, room_left))));
        label->setToolTip(name);
        const QRectF text = label->boundingRect();
        const QPointF end(top.x() + slant * text.height() / 2, plot.bottom() + 2 + slant * text.height());
        label->setRotation(-45.0);
        // The point (width, height / 2) of the text lies at end.
        label->setPos(end - QPointF(slant * (text.width() + text.height() / 2),
                                    slant * (text.height() / 2 - text.width())));
        label->setVisible(in_view);
    }
}
