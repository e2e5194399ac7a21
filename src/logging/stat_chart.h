// TStatChart: one bar chart of the statistics window, with paging.
//
// It holds all its bars but shows at most chart_bars_per_page of them, the
// current page (numbered from 1). Bars are grey with a vertical gradient,
// labelled with the program's name on the bottom axis and carrying a mark
// above them: the value as "#,##0.###" in the user's locale, or, for a
// percentage chart, the bar's share of the sum of all bars as "##0.## %"
// (that chart's left axis shows no labels). Two buttons inside the chart
// page back and forth; the owner connects them.
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
class QPushButton;
class QValueAxis;

class TStatChart : public QChartView {
    Q_OBJECT
public:
    TStatChart(bool percent_marks, QWidget *parent = nullptr);

    // Replaces every bar (the series is emptied first) and shows page 1.
    void set_items(std::vector<CHART_ITEM> items);
    void prev_page(); // nothing on page 1
    void next_page(); // nothing on the last page

    int page() const { return page_; }
    int page_count() const;
    int bar_count() const { return static_cast<int>(items_.size()); }
    // Labels and marks of the bars on the current page, left to right.
    QStringList shown_labels() const;
    QStringList shown_marks() const;
    int series_bar_count() const; // bars in the chart's series now

    QPushButton *prev_button = nullptr; // "<< Prev page"
    QPushButton *next_button = nullptr; // "Nex page >>"

private:
    void show_page();
    void place_marks();

    bool percent_marks_;
    std::vector<CHART_ITEM> items_;
    double total_ = 0.0;
    int page_ = 1;
    QBarSeries *series_ = nullptr;
    QBarSet *set_ = nullptr;
    QBarCategoryAxis *axis_x_ = nullptr;
    QValueAxis *axis_y_ = nullptr;
    std::vector<QGraphicsSimpleTextItem *> marks_;
    QStringList mark_texts_;
};
