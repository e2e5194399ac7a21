// Tglobalstat_form: "Process statistic (average)", the statistics file
// shown as the "All" table and six bar charts, one per tab page. It only
// reads the file (logging/global_stat.h).
//
// Every fill reads the file anew (after asking this copy's collector, if
// it collects, for its latest cycle), on a worker thread, so the window stays
// responsive while a large file is read; the page is filled on the GUI
// thread when the read is done (a long table a part at a time). Only the
// latest fill is applied.
//
// The window opens at its designed size, which is also its least; it can
// be enlarged and maximised. The "All" columns widen to show their texts
// whole (the "Name" column up to half the table's width, a longer name cut
// in the middle with the whole name as its tooltip). The two page buttons
// of the charts sit in the bottom panel and act on the chart shown; they
// are hidden on "All".
//
// Threads: GUI thread only (the reading worker touches no widget).
#pragma once

#include "logging/global_stat_file.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

class QPushButton;
class QTabWidget;
class QTimer;
class TGrid;
class TStatChart;

class Tglobalstat_form : public QDialog {
    Q_OBJECT
public:
    Tglobalstat_form(const std::string &statistics_path, QWidget *owner = nullptr);
    ~Tglobalstat_form() override;

    QTabWidget *pages = nullptr;
    QWidget *all_page = nullptr, *cpu_page = nullptr, *ram_page = nullptr, *paged_page = nullptr,
            *handles_page = nullptr, *threads_page = nullptr, *time_page = nullptr;
    TGrid *grid = nullptr;
    TStatChart *cpu_chart = nullptr, *ram_chart = nullptr, *paged_chart = nullptr, *handles_chart = nullptr,
               *threads_chart = nullptr, *time_chart = nullptr;
    QPushButton *Button1 = nullptr; // "<< Prev page"
    QPushButton *Button2 = nullptr; // "Nex page >>"

    // Fills the active page from the file (the read runs on a worker).
    void refresh_stat_page();
    // True until the latest fill is read and shown in full.
    bool fill_pending() const { return pending_ != nullptr || applying_ != nullptr; }

    void pagesChange();
    void Button1Click(); // "<< Prev page" of the active chart
    void Button2Click(); // "Nex page >>" of the active chart
    void FormKeyDown(int key);

    struct FILL; // one read in flight

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    TStatChart *active_chart() const;
    void poll_fill();
    void apply_fill(FILL &fill);
    void fill_rows(); // the next part of the "All" rows
    void fit_columns();

    std::string path_;
    std::shared_ptr<FILL> pending_;  // being read
    std::shared_ptr<FILL> applying_; // "All" rows being written, a part per timer tick
    std::size_t next_row_ = 0;
    // Per "All" column: the widest text written so far (pixels) and its row.
    std::vector<double> widest_;
    std::vector<int> widest_row_;
    QTimer *poll_ = nullptr;
};

// The open statistics window, null when none.
extern Tglobalstat_form *globalstat_form;

// " Show stat": creates the window (when none is open), fills its active
// page and shows it modally; returns when it is closed. GUI thread.
void show_global_stat(const std::string &statistics_path, QWidget *owner = nullptr);
