// TStatChart: one bar chart of the statistics window, with paging.
//
// It holds all its bars but shows at most chart_bars_per_page of them, the
// current page (numbered from 1). Bars are grey with a vertical gradient
// and carry a mark above them (every other one a line higher where they
// would run into each other): the value as "#,##0.###" in the user's
// locale, or, on the "Time" chart, the bar's share of the sum of all bars
// as "##0.## %" (that chart's left axis shows no labels). The left axis
// shows plain numbers, memory in KB, MB or GB, CPU shares with " %".
//
// Each bar's label, the program's name, is written under it slanting up
// to the bar, whole as long as it fits in half the chart's height and in
// the room to its left; a longer one is cut in the middle ("gnome-…server").
// A label, and its bar, show the whole name as their tooltip.
//
// Threads: GUI thread only.
#pragma once

#include "logging/stat_texts.h"

#include <QChartView>
#include <QStringList>

#include <vector>

class QBarCategoryAxis;
class QBarSeries;
class QBarSet;
class QGraphicsSimpleTextItem;
class QValueAxis;

class TStatChart : public QChartView {
    Q_OBJECT
public:
    TStatChart(STAT_CHART kind, QWidget *parent = nullptr);

    // Replaces every bar (the series is emptied first) and shows page 1.
    void set_items(std::vector<CHART_ITEM> items);
    void prev_page(); // nothing on page 1
    void next_page(); // nothing on the last page

    int page() const { return page_; }
    int page_count() const;
    int bar_count() const { return static_cast<int>(items_.size()); }
    // Names and marks of the bars on the current page, left to right.
    QStringList shown_labels() const;
    QStringList shown_marks() const;
    // The labels as written under the bars now (cut where they do not
    // fit), and the left axis's label format.
    QStringList drawn_labels() const;
    QString axis_format() const;
    int series_bar_count() const; // bars in the chart's series now

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void show_page();
    // The left axis from 0 to at least max (in the unit shown), on nice
    // numbers, with its label format.
    void fit_value_axis(double max);
    void place_marks();
    // The room under the plot for the labels of this page at this height.
    void reserve_label_room();

    STAT_CHART kind_;
    std::vector<CHART_ITEM> items_;
    double total_ = 0.0;
    int page_ = 1;
    std::string unit_;       // of the left axis on this page
    double top_shown_ = 0.0; // the highest bar on this page, in that unit
    QBarSeries *series_ = nullptr;
    QBarSet *set_ = nullptr;
    QBarCategoryAxis *axis_x_ = nullptr;
    QValueAxis *axis_y_ = nullptr;
    std::vector<QGraphicsSimpleTextItem *> marks_;
    std::vector<QGraphicsSimpleTextItem *> labels_;
    QStringList mark_texts_;
    QStringList label_texts_;
};
