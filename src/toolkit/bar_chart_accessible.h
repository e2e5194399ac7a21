// Bar charts for screen readers. A chart widget drawn as one picture has
// nothing a reader can say; once registered here it reports one child per
// bar it shows, named by the bar's label and described by its mark (the
// value as written by the bar), after the chart's own child widgets.
//
// Threads: GUI thread only.
#pragma once

#include <QString>

#include <functional>
#include <vector>

class QWidget;

struct SHOWN_BAR {
    QString label;
    QString mark;
};

// The bars a chart shows now, left to right; asked whenever a reader looks.
using shown_bars_fn = std::function<std::vector<SHOWN_BAR>()>;

// Registers chart, before a reader first asks for it (in its constructor).
// The registration ends with the widget.
void expose_bars(QWidget *chart, shown_bars_fn bars);

// Tells readers that the bars shown have changed (another page, new bars).
void bars_changed(QWidget *chart);
