// The statistics window on prepared files (offscreen).
#include "logging/global_stat.h"
#include "logging/globalstat_form.h"
#include "logging/stat_chart.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>

#include <chrono>
#include <cstring>

namespace {

PROCESS_INFO_STRUCT_LONG rec(std::uint32_t id, const std::string &name, std::uint32_t samples, double cpu_sum,
                             double ram_sum, double run_time) {
    PROCESS_INFO_STRUCT_LONG r;
    r.id = id;
    std::strncpy(r.name, name.c_str(), 259);
    r.samples = samples;
    r.cpu_sum = cpu_sum;
    r.ram_sum = ram_sum;
    r.paged_sum = ram_sum / 2;
    r.handles_sum = 10.0 * samples;
    r.threads_sum = 2.0 * samples;
    r.run_time = run_time;
    return r;
}

class StatWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ensure_qt_application(true);
        QLocale::setDefault(QLocale::c());
        path = test_env::make_temp_dir() + "/vorkel.glb";
    }
    void TearDown() override {
        delete form;
        EXPECT_EQ(globalstat_form, nullptr);
    }
    void open() {
        form = new Tglobalstat_form(path);
        globalstat_form = form;
        form->show();
        form->refresh_stat_page();
        wait_fill();
    }
    void wait_fill() {
        ASSERT_TRUE(test_env::wait_until([&] {
            QApplication::processEvents();
            return !form->fill_pending();
        }));
    }
    void choose(int tab) {
        form->pages->setCurrentIndex(tab);
        wait_fill();
    }

    std::string path;
    Tglobalstat_form *form = nullptr;
};

TEST_F(StatWindow, AllPageTexts) {
    PROCESS_MAP_LONG map;
    map[1] = rec(1, "zeta", 10, 3.0, 10 * 2048.0 * 1024, 37259000000.0); // 3 725.9 s
    map[2] = rec(2, "alpha", 4, 1.0, 4 * 1024.0 * 1024, 0.0);            // present in 4 of 10 cycles
    ASSERT_TRUE(write_global_stat(path, map, {10, 1.0, 2.0}));
    open();
    EXPECT_EQ(form->windowTitle(), "Process statistic (average)");
    EXPECT_EQ(form->pages->count(), 7);
    EXPECT_EQ(form->pages->tabText(3), "Paged mem");
    EXPECT_EQ(form->pages->currentIndex(), 0);
    EXPECT_EQ(form->size(), QSize(433, 266));
    TGrid *g = form->grid;
    ASSERT_EQ(g->row_count(), 3);
    EXPECT_EQ(g->cell(0, 0), "Name");
    EXPECT_EQ(g->cell(4, 0), "Paged mem");
    EXPECT_EQ(g->cell(0, 1), "alpha");
    EXPECT_EQ(g->cell(0, 2), "zeta");
    EXPECT_EQ(g->cell(1, 2), "1:02:05");
    // CPU per cycle: zeta 0.3, alpha 0.1 -> 75 % and 25 %.
    EXPECT_EQ(g->cell(2, 2), "75.0");
    EXPECT_EQ(g->cell(2, 1), "25.0");
    EXPECT_EQ(g->cell(3, 2), "2048");
    EXPECT_EQ(g->cell(3, 1), "1024");
    EXPECT_EQ(g->cell(4, 1), "512");
    EXPECT_EQ(g->cell(5, 1), "10");
    EXPECT_EQ(g->cell(6, 1), "2");
}

TEST_F(StatWindow, EightProgramsPageAndRefillsNeverDuplicateBars) {
    PROCESS_MAP_LONG map;
    for (std::uint32_t i = 1; i <= 8; ++i)
        map[i] = rec(i, "p" + std::to_string(i), 1, 0.01 * i, 1024.0 * 1000 * i, 1e7 * i);
    ASSERT_TRUE(write_global_stat(path, map, {1, 1.0, 1.0}));
    open();
    choose(2); // RAM
    TStatChart *chart = form->ram_chart;
    EXPECT_EQ(chart->bar_count(), 8);
    EXPECT_EQ(chart->page_count(), 2);
    EXPECT_EQ(chart->page(), 1);
    EXPECT_EQ(chart->series_bar_count(), 7);
    EXPECT_EQ(chart->shown_labels().front(), "p8");
    EXPECT_EQ(chart->shown_labels().back(), "p2");
    EXPECT_EQ(chart->shown_marks().front(), "8,000");
    form->Button1Click(); // "<< Prev page" on page 1
    EXPECT_EQ(chart->page(), 1);
    form->Button2->click();
    EXPECT_EQ(chart->page(), 2);
    EXPECT_EQ(chart->shown_labels(), QStringList{"p1"});
    form->Button2Click(); // "Nex page >>" on the last page
    EXPECT_EQ(chart->page(), 2);

    for (int round = 0; round < 3; ++round) {
        choose(0);
        choose(3);
        choose(4);
        choose(2);
    }
    EXPECT_EQ(chart->bar_count(), 8);
    EXPECT_EQ(chart->series_bar_count(), 7);
    EXPECT_EQ(chart->page(), 1) << "a refill starts again on the first page";
    EXPECT_EQ(form->handles_chart->bar_count(), 8);

    // "Time": marks are shares of the sum (36 in all), the left axis unlabelled.
    choose(6);
    EXPECT_EQ(form->time_chart->shown_marks().front(), "22.22 %");
    EXPECT_EQ(form->time_chart->shown_labels().front(), "p8");
    // The file changed since: the next visit shows the new figures.
    map[9] = rec(9, "p9", 1, 5.0, 1.0, 1.0);
    ASSERT_TRUE(write_global_stat(path, map, {2, 1.0, 2.0}));
    choose(1);
    EXPECT_EQ(form->cpu_chart->bar_count(), 9);
    EXPECT_EQ(form->cpu_chart->shown_labels().front(), "p9");
}

TEST_F(StatWindow, NothingIsCutAtTheDesignedSizeWhichIsTheLeast) {
    // Names and figures as a desktop has them: gigabytes of memory, long names.
    const char *names[] = {"at-spi-bus-launcher", "gnome-shell",    "Xwayland",
                           "kworker/1:2",         "pipewire-pulse", "Web Content",
                           "vkl_probe_of_twenty1"};
    PROCESS_MAP_LONG map;
    for (std::uint32_t i = 1; i <= 7; ++i)
        map[i] = rec(i, names[i - 1], 10, 0.5 * i, 10 * 5368709120.0 / i, 1e7 * 3600 * 30 * i);
    ASSERT_TRUE(write_global_stat(path, map, {10, 1.0, 2.0}));
    open();
    EXPECT_EQ(form->size(), QSize(433, 266));
    EXPECT_EQ(form->minimumSize(), QSize(433, 266));
    EXPECT_GT(form->maximumWidth(), 433) << "the window can be enlarged";

    const TGrid *g = form->grid;
    const QFontMetrics fm(g->font());
    const int margins = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1);
    for (int c = 0; c < g->col_count(); ++c)
        for (int r = 1; r < g->row_count(); ++r)
            EXPECT_EQ(fm.elidedText(g->cell(c, r), Qt::ElideRight, g->col_width(c) - margins), g->cell(c, r))
                << "column " << c << " row " << r;
    for (int tab = 1; tab <= 6; ++tab) {
        choose(tab);
        const auto *chart = form->pages->widget(tab)->findChild<TStatChart *>();
        ASSERT_NE(chart, nullptr);
        // The chart lays itself out in the event loop.
        EXPECT_TRUE(test_env::wait_until(
            [&] {
                QApplication::processEvents();
                return chart->drawn_labels() == chart->shown_labels();
            },
            std::chrono::seconds(2)))
            << "tab " << tab << ": " << chart->drawn_labels().join(", ").toStdString();
        EXPECT_FALSE(chart->axis_format().contains('g')) << "no exponents";
    }
    EXPECT_EQ(form->ram_chart->axis_format(), "%.0f MB");
}

TEST_F(StatWindow, EmptyOrMissingFileShowsOneEmptyRowAndNoBars) {
    open();
    EXPECT_EQ(form->grid->row_count(), 2);
    EXPECT_EQ(form->grid->cell(0, 1), "");
    choose(1);
    EXPECT_EQ(form->cpu_chart->series_bar_count(), 0);
    test_env::write_file(path, std::string(24, '\0'));
    choose(0);
    EXPECT_EQ(form->grid->row_count(), 2);
    // All CPU figures zero: 0.0, no division by zero.
    PROCESS_MAP_LONG map;
    map[1] = rec(1, "idle", 3, 0.0, 0.0, 0.0);
    ASSERT_TRUE(write_global_stat(path, map, {3, 1.0, 1.0}));
    choose(1);
    EXPECT_EQ(form->cpu_chart->shown_marks(), QStringList{"0"});
    choose(0);
    EXPECT_EQ(form->grid->cell(2, 1), "0.0");
}

TEST_F(StatWindow, StaysResponsiveWhileReadingALargeFile) {
    PROCESS_MAP_LONG map;
    for (std::uint32_t i = 1; i <= 200000; ++i)
        map[i] = rec(i, "program-" + std::to_string(i), 1, 0.0, 1.0, 0.0);
    ASSERT_TRUE(write_global_stat(path, map, {1, 1.0, 1.0}));
    map.clear();
    form = new Tglobalstat_form(path);
    globalstat_form = form;
    form->show();
    choose(1); // a chart page: the 70 MB read itself is what is measured
    // The turns of the event loop until the fill is shown: the work comes
    // in parts between them (counted, not timed: a loaded machine or a
    // sanitizer build makes each part slower, not fewer).
    auto turns_until_filled = [&] {
        int turns = 0;
        while (form->fill_pending()) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            ++turns;
        }
        return turns;
    };
    form->refresh_stat_page();
    ASSERT_TRUE(form->fill_pending());
    EXPECT_GT(turns_until_filled(), 1) << "the event loop turns while the file is read";
    EXPECT_EQ(form->cpu_chart->bar_count(), 200000);

    // A long "All" table is written a part at a time.
    for (std::uint32_t i = 1; i <= 20000; ++i)
        map[i] = rec(i, "program-" + std::to_string(i), 1, 0.0, 1.0, 0.0);
    ASSERT_TRUE(write_global_stat(path, map, {1, 1.0, 1.0}));
    form->pages->setCurrentIndex(0);
    EXPECT_GE(turns_until_filled(), 20) << "the rows are written a thousand at a turn";
    ASSERT_EQ(form->grid->row_count(), 20001);
    EXPECT_EQ(form->grid->cell(0, 20000), "program-9999");
}

TEST_F(StatWindow, ShowStatIsModalAndEscClosesIt) {
    PROCESS_MAP_LONG map;
    map[1] = rec(1, "one", 1, 1.0, 1.0, 1.0);
    ASSERT_TRUE(write_global_stat(path, map, {1, 1.0, 1.0}));
    bool seen = false;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(globalstat_form, nullptr);
        ASSERT_TRUE(test_env::wait_until([&] {
            QApplication::processEvents();
            return !globalstat_form->fill_pending();
        }));
        seen = globalstat_form->isModal() && globalstat_form->grid->cell(0, 1) == "one";
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(globalstat_form, &esc);
    });
    show_global_stat(path);
    EXPECT_TRUE(seen);
    EXPECT_EQ(globalstat_form, nullptr);
}

} // namespace
