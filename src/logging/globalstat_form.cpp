#include "logging/globalstat_form.h"

#include "logging/global_stat.h"
#include "logging/stat_chart.h"
#include "logging/stat_texts.h"
#include "toolkit/grid.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <thread>

Tglobalstat_form *globalstat_form = nullptr;

namespace {

enum { all_tab, cpu_tab, ram_tab, paged_tab, handles_tab, threads_tab, time_tab };

const STAT_CHART chart_of_tab[] = {STAT_CHART::cpu,   STAT_CHART::cpu,     STAT_CHART::ram,
                                   STAT_CHART::paged, STAT_CHART::handles, STAT_CHART::threads,
                                   STAT_CHART::time};

// The designed client size, which is also the least, and column widths.
constexpr int design_width = 433, design_height = 266;
constexpr int design_col_widths[] = {92, 69, 42, 46, 64, 50, 51};

} // namespace

// The read and the texts are made on the worker; only the widgets are
// filled on the GUI thread.
struct Tglobalstat_form::FILL {
    std::atomic<bool> done{false};
    int page = 0;                  // the tab it fills
    std::string decimal_separator; // the user's, taken on the GUI thread
    std::vector<STAT_ROW> rows;    // "All"
    std::vector<CHART_ITEM> items; // a chart page
};

Tglobalstat_form::Tglobalstat_form(const std::string &statistics_path, QWidget *owner)
    : QDialog(owner), path_(statistics_path) {
    setWindowTitle(QStringLiteral("Process statistic (average)"));
    setAttribute(Qt::WA_DeleteOnClose);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);
    // Opens at the designed size and is never made smaller than it.
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(design_width, design_height);
    setMinimumSize(design_width, design_height);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    pages = new QTabWidget(this);
    layout->addWidget(pages, 1);
    auto *panel = new QWidget(this);
    panel->setFixedHeight(41);
    layout->addWidget(panel);
    auto *buttons = new QHBoxLayout(panel);
    buttons->setContentsMargins(0, 8, 20, 8);
    buttons->setSpacing(4);
    buttons->addStretch(1);
    for (QPushButton **button : {&Button1, &Button2}) {
        *button = new QPushButton(
            button == &Button1 ? QStringLiteral("<< Prev page") : QStringLiteral("Nex page >>"), panel);
        (*button)->setMinimumSize(100, 25);
        (*button)->setVisible(false); // "All" comes first
        buttons->addWidget(*button);
    }
    connect(Button1, &QPushButton::clicked, this, &Tglobalstat_form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tglobalstat_form::Button2Click);

    auto make_page = [this](const QString &caption) {
        auto *page = new QWidget;
        auto *l = new QVBoxLayout(page);
        l->setContentsMargins(0, 0, 0, 0);
        pages->addTab(page, caption);
        return page;
    };
    all_page = make_page(QStringLiteral("All"));
    cpu_page = make_page(QStringLiteral("CPU"));
    ram_page = make_page(QStringLiteral("RAM"));
    paged_page = make_page(QStringLiteral("Paged mem"));
    handles_page = make_page(QStringLiteral("Handles"));
    threads_page = make_page(QStringLiteral("Threads"));
    time_page = make_page(QStringLiteral("Time"));

    grid = new TGrid({QStringLiteral("Name"), QStringLiteral("Time"), QStringLiteral("CPU"),
                      QStringLiteral("RAM"), QStringLiteral("Paged mem"), QStringLiteral("Handles"),
                      QStringLiteral("Threads")},
                     16, all_page);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setStyleSheet(QStringLiteral("QTableView { gridline-color: silver; }"));
    grid->setTextElideMode(Qt::ElideMiddle);
    for (int c = 0; c < 7; ++c)
        grid->set_col_width(c, design_col_widths[c]);
    all_page->layout()->addWidget(grid);

    auto add_chart = [](QWidget *page, int tab) {
        auto *chart = new TStatChart(chart_of_tab[tab], page);
        page->layout()->addWidget(chart);
        return chart;
    };
    cpu_chart = add_chart(cpu_page, cpu_tab);
    ram_chart = add_chart(ram_page, ram_tab);
    paged_chart = add_chart(paged_page, paged_tab);
    handles_chart = add_chart(handles_page, handles_tab);
    threads_chart = add_chart(threads_page, threads_tab);
    time_chart = add_chart(time_page, time_tab);

    poll_ = new QTimer(this);
    poll_->setInterval(10);
    connect(poll_, &QTimer::timeout, this, &Tglobalstat_form::poll_fill);
    pages->setCurrentIndex(all_tab);
    connect(pages, &QTabWidget::currentChanged, this, [this] { pagesChange(); });
}

Tglobalstat_form::~Tglobalstat_form() {
    if (globalstat_form == this)
        globalstat_form = nullptr;
}

void Tglobalstat_form::refresh_stat_page() {
    auto fill = std::make_shared<FILL>();
    fill->page = pages->currentIndex();
    fill->decimal_separator = QLocale().decimalPoint().toStdString();
    pending_ = fill;
    applying_.reset();
    // The worker owns its share of the fill; a window closed meanwhile
    // simply never applies it.
    std::thread([fill, path = path_] {
        PROCESS_MAP_LONG map;
        GLOBAL_STAT_HEADER header;
        // While this copy collects, the file is brought up to its latest cycle first.
        flush_global_stat(path);
        read_global_stat(path, map, header);
        if (fill->page == all_tab)
            fill->rows = global_stat_rows(map, header.sample_count, fill->decimal_separator);
        else if (fill->page > all_tab && fill->page <= time_tab)
            fill->items = stat_chart_items(map, chart_of_tab[fill->page]);
        fill->done = true;
    }).detach();
    poll_->start();
}

void Tglobalstat_form::poll_fill() {
    if (pending_ && pending_->done) {
        const auto fill = std::move(pending_);
        apply_fill(*fill);
    }
    if (applying_)
        fill_rows();
    if (!pending_ && !applying_)
        poll_->stop();
}

void Tglobalstat_form::apply_fill(FILL &fill) {
    if (fill.page == all_tab) {
        widest_.assign(7, 0.0);
        widest_row_.assign(7, 0);
        if (fill.rows.empty()) {
            grid->set_row_count(2);
            for (int c = 0; c < grid->col_count(); ++c)
                grid->set_cell(c, 1, QString());
            fit_columns();
            return;
        }
        grid->set_row_count(static_cast<int>(fill.rows.size()) + 1);
        applying_ = std::make_shared<FILL>();
        applying_->rows = std::move(fill.rows);
        next_row_ = 0;
        return;
    }
    TStatChart *charts[] = {nullptr,       cpu_chart,     ram_chart, paged_chart,
                            handles_chart, threads_chart, time_chart};
    if (fill.page > all_tab && fill.page <= time_tab)
        charts[fill.page]->set_items(std::move(fill.items));
}

void Tglobalstat_form::fill_rows() {
    // About 15 ms of work per part, so the window answers between parts.
    constexpr std::size_t rows_per_part = 1000;
    const auto &rows = applying_->rows;
    const std::size_t end = std::min(rows.size(), next_row_ + rows_per_part);
    const QFontMetricsF fm(grid->font());
    grid->setUpdatesEnabled(false);
    for (; next_row_ < end; ++next_row_) {
        const STAT_ROW &row = rows[next_row_];
        const std::string *texts[] = {&row.name,  &row.time,    &row.cpu,    &row.ram,
                                      &row.paged, &row.handles, &row.threads};
        const int r = static_cast<int>(next_row_) + 1;
        for (int c = 0; c < 7; ++c) {
            const QString text = QString::fromUtf8(texts[c]->c_str());
            grid->set_cell(c, r, text);
            const double width = fm.horizontalAdvance(text);
            if (width > widest_[static_cast<std::size_t>(c)]) {
                widest_[static_cast<std::size_t>(c)] = width;
                widest_row_[static_cast<std::size_t>(c)] = r;
            }
        }
    }
    grid->setUpdatesEnabled(true);
    if (next_row_ == rows.size()) {
        applying_.reset();
        fit_columns();
    }
}

void Tglobalstat_form::fit_columns() {
    // A very long name may take half the table; it is cut in the middle
    // there and shows whole as its tooltip.
    const int name_limit = std::max(design_col_widths[0], grid->viewport()->width() / 2);
    for (int c = 0; c < 7; ++c) {
        const int row = widest_row_[static_cast<std::size_t>(c)];
        int width = std::max({design_col_widths[c], grid->header_width_needed(c),
                              row > 0 ? grid->cell_width_needed(c, row) : 0});
        if (c == 0 && width > name_limit) {
            width = name_limit;
            for (int r = 1; r < grid->row_count(); ++r)
                if (grid->cell_width_needed(0, r) > name_limit)
                    grid->set_cell_data(0, r, Qt::ToolTipRole, grid->cell(0, r));
        }
        grid->set_col_width(c, width);
    }
}

TStatChart *Tglobalstat_form::active_chart() const {
    TStatChart *charts[] = {nullptr,       cpu_chart,     ram_chart, paged_chart,
                            handles_chart, threads_chart, time_chart};
    const int page = pages->currentIndex();
    return page > all_tab && page <= time_tab ? charts[page] : nullptr;
}

void Tglobalstat_form::pagesChange() {
    Button1->setVisible(pages->currentIndex() != all_tab);
    Button2->setVisible(pages->currentIndex() != all_tab);
    refresh_stat_page();
}

void Tglobalstat_form::Button1Click() {
    if (TStatChart *chart = active_chart())
        chart->prev_page();
}

void Tglobalstat_form::Button2Click() {
    if (TStatChart *chart = active_chart())
        chart->next_page();
}

void Tglobalstat_form::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

void Tglobalstat_form::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        FormKeyDown(event->key());
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tglobalstat_form::closeEvent(QCloseEvent *event) {
    if (globalstat_form == this)
        globalstat_form = nullptr;
    QDialog::closeEvent(event);
}

void show_global_stat(const std::string &statistics_path, QWidget *owner) {
    if (!globalstat_form)
        globalstat_form = new Tglobalstat_form(statistics_path, owner);
    Tglobalstat_form *form = globalstat_form;
    form->refresh_stat_page();
    form->exec();
}
