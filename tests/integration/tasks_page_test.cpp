// The Tasks page of a real main window, built in this process on the
// offscreen platform and driven through TTM::task_timerTimer.
#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/perf_test_blocks.h"
#include "monitor/process_table.h"
#include "monitor/tasks_grid.h"
#include "platform/process_details.h"
#include "platform/process_list.h"
#include "shell/main_form.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include <unistd.h>

using namespace std::chrono_literals;
using test_env::wait_until;

namespace {

// Fixed process lists and snapshots in place of the system's.
struct FAKE_SYSTEM {
    std::vector<std::uint32_t> ids;
    perf_test::SCRIPTED_SOURCE source;

    FAKE_SYSTEM() {
        source.titles = perf_test::standard_titles;
        platform::set_process_enumerator([this](std::uint32_t *out, std::size_t cap, std::size_t &n) {
            n = std::min(cap, ids.size());
            std::copy_n(ids.begin(), n, out);
            return true;
        });
        platform::set_perf_data_source(&source);
        empty_process_table(); // a fresh time base for the prepared snapshots
    }
    ~FAKE_SYSTEM() {
        platform::set_process_enumerator({});
        platform::set_perf_data_source(nullptr);
        empty_process_table();
    }
    // One snapshot per call, a second apart; ids follow the rows, starts
    // (when given) are their start times, parents their parents' ids.
    void add_snapshot(std::vector<perf_test::PROC_ROW> rows, const std::vector<std::uint64_t> &starts = {},
                      const std::vector<std::uint64_t> &parents = {}) {
        ids.clear();
        for (const auto &r : rows)
            ids.push_back(static_cast<std::uint32_t>(r.pid));
        rows.push_back({"_Total", 0, 0, 0, 0, 0, 0});
        const std::uint64_t when = perf_test::base_time + source.blocks.size() * 10000000ull;
        source.blocks.push_back(perf_test::process_block(rows, when, starts, parents));
    }
};

class TasksPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!qApp) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char arg0[] = "test_integration";
            static char *argv[] = {arg0, nullptr};
            new QApplication(argc, argv); // one per process, kept to the end
            qunsetenv("QT_QPA_PLATFORM");  // not for the programs later tests start
        }
        form = new TTM;
    }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
    }
    void SetUp() override { show_tasks(); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    static void show_tasks() {
        form->N1Click();
        form->pages->setCurrentWidget(form->sheet2);
        QApplication::processEvents();
        // The tests tick by hand; a timer tick between two checks would
        // refresh from whatever source is current.
        form->task_timer->stop();
    }
    static TTasks_grid *grid() { return form->pgrid; }
    static TTasks_model *model() { return form->pgrid->tasks(); }
    // The row of the process pid, -1 when it is not shown.
    static int row_of(long pid) {
        for (int r = 0; r < model()->shown_count(); ++r)
            if (model()->record_at(r)->info.pid == static_cast<std::uint32_t>(pid))
                return r;
        return -1;
    }
    static QString text(int row, int col) { return QString::fromStdString(model()->text_at(row, col)); }
    static QStringList column(int col) {
        QStringList texts;
        for (int r = 0; r < model()->shown_count(); ++r)
            texts << (col == 0 ? QString::number(model()->record_at(r)->info.pid)
                               : model()->index(r, col).data().toString());
        return texts;
    }

    static TTM *form;
};
TTM *TasksPage::form = nullptr;

std::string proc_comm(pid_t pid) {
    std::string comm = test_env::read_file("/proc/" + std::to_string(pid) + "/comm");
    while (!comm.empty() && comm.back() == '\n')
        comm.pop_back();
    return comm;
}

} // namespace

TEST_F(TasksPage, FilledWhileTheWindowWasBuiltWithThePidColumnHidden) {
    // Before any tick of this test: the refresh of the construction.
    EXPECT_TRUE(grid()->isColumnHidden(0));
    EXPECT_GT(model()->shown_count(), 1);
    const int own = row_of(getpid());
    ASSERT_GE(own, 0) << "this process has a row";
    EXPECT_FALSE(text(own, 1).isEmpty());
    EXPECT_GE(row_of(0), 0) << "the idle pseudo-process";
    ASSERT_NE(form->PopupMenu3, nullptr);
    EXPECT_FALSE(form->PopupMenu3->actions().isEmpty());
}

TEST_F(TasksPage, ChildAppearsWithinTwoRefreshesAndGoesWhenItEnds) {
    // A copy of sleep under a name no other process has, longer than the
    // kernel keeps: the page shows it whole.
    const std::string probe = test_env::make_temp_dir("probe") + "/vkl_task_probe_whole";
    std::filesystem::copy_file("/bin/sleep", probe);
    test_env::child_process child({probe, "300"});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(wait_until([&] { return proc_comm(child.pid()) == "vkl_task_probe_"; }));

    int refreshes = 0;
    while (row_of(child.pid()) < 0 && refreshes < 2) {
        form->task_timerTimer();
        ++refreshes;
    }
    const int row = row_of(child.pid());
    ASSERT_GE(row, 0) << "not listed after " << refreshes << " refreshes";
    EXPECT_EQ(text(row, 1), "vkl_task_probe_whole");
    EXPECT_EQ(text(row, 6), "1");
    EXPECT_GT(text(row, 3).toLongLong(), 0) << "RAM Kb";

    child.kill_hard(); // ends and reaps it
    form->task_timerTimer();
    EXPECT_EQ(row_of(child.pid()), -1);
}

TEST_F(TasksPage, HiddenWindowOrOtherPageLeavesGridAsItWas) {
    form->task_timerTimer();
    EXPECT_TRUE(tasks_page_refreshing());
    form->close(); // hides
    EXPECT_FALSE(list_visible);
    EXPECT_FALSE(tasks_page_refreshing()) << "workers keep the table current now";

    FAKE_SYSTEM fake;
    fake.add_snapshot({{"only", 4000, 0, 0, 0, 0, 1}});
    const QStringList before = column(1);
    form->task_timerTimer();
    EXPECT_EQ(column(1), before);
    EXPECT_EQ(fake.source.queries, 0);

    show_tasks();
    form->pages->setCurrentWidget(form->log);
    EXPECT_FALSE(tasks_page_refreshing());
    fake.add_snapshot({{"other", 4000, 0, 0, 0, 0, 1}});
    form->task_timerTimer(); // the timer still runs on "Logging"
    EXPECT_EQ(column(1), QStringList{"only"});
    show_tasks();
    EXPECT_TRUE(tasks_page_refreshing());
    form->task_timerTimer();
    EXPECT_EQ(column(1), QStringList{"other"});
}

TEST_F(TasksPage, CellTextsOrderAndAlignment) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    FAKE_SYSTEM fake;
    fake.add_snapshot({{"beta", 100, 1000, 1572864, 1023, 10, 2},
                       {"Alpha", 200, 2000, 0, 0, 11, 3},
                       {"alpha2", 300, 3000, 0, 0, 12, 4},
                       {"ghost", 6, 0, 0, 0, 0, 1}});
    // One second later: 0.25, 0.5 and 1.25 of a processor.
    fake.add_snapshot({{"beta", 100, 1000 + 2500000, 1572864, 1023, 10, 2},
                       {"Alpha", 200, 2000 + 5000000, 0, 0, 11, 3},
                       {"alpha2", 300, 3000 + 12500000, 0, 0, 12, 4},
                       {"ghost", 6, 0, 0, 0, 0, 1}});
    form->task_timerTimer();
    form->task_timerTimer();

    ASSERT_EQ(model()->shown_count(), 4) << "id 6 is a process like any other";
    EXPECT_EQ(column(0), (QStringList{"200", "300", "100", "6"}));
    EXPECT_EQ(column(1), (QStringList{"Alpha", "alpha2", "beta", "ghost"}));
    EXPECT_EQ(column(2), (QStringList{"25,0", "62,5", "12,5", "0,0"})) << "the user's decimal separator";
    EXPECT_EQ(text(2, 3), "1536");
    EXPECT_EQ(text(2, 4), "0");
    EXPECT_EQ(column(5), (QStringList{"11", "12", "10", "0"}));
    EXPECT_EQ(column(6), (QStringList{"3", "4", "2", "1"}));

    for (int c = 0; c < 7; ++c) {
        const Qt::Alignment want = c > 1 ? Qt::AlignRight : Qt::AlignLeft;
        const auto aligned = [](const QVariant &v) {
            return Qt::Alignment(v.toInt()) & Qt::AlignHorizontal_Mask;
        };
        EXPECT_EQ(aligned(model()->index(0, c).data(Qt::TextAlignmentRole)), want) << c;
        EXPECT_EQ(aligned(model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole)), want)
            << "header " << c;
    }
}

TEST_F(TasksPage, ShowingTheWindowOrThePageRefreshesAtOnceAndARowKeepsItsProcess) {
    FAKE_SYSTEM fake;
    fake.add_snapshot({{"before", 500, 0, 0, 0, 0, 1}}, {1111});
    form->task_timerTimer();
    // Hidden, the table is kept current by a worker: the id now belongs to
    // a process that started later.
    form->close();
    fake.add_snapshot({{"after", 500, 0, 0, 0, 0, 1}}, {2222});
    refresh_process_table();
    const auto shown = [] { return process_key(model()->record_at(0)->info); };
    EXPECT_EQ(shown(), (PROCESS_KEY{500, 1111})) << "the process the row showed";
    form->N1Click();
    EXPECT_EQ(column(1), QStringList{"after"}) << "shown up to date, not a tick later";
    EXPECT_EQ(shown(), (PROCESS_KEY{500, 2222}));
    form->pages->setCurrentWidget(form->log);
    fake.add_snapshot({{"later", 500, 0, 0, 0, 0, 1}}, {2222});
    form->pages->setCurrentWidget(form->sheet2);
    EXPECT_EQ(column(1), QStringList{"later"});
}

TEST_F(TasksPage, EmptyTableGivesNoRowAndLoggingListKeepsItsItems) {
    {
        FAKE_SYSTEM fake;
        fake.add_snapshot({{"keep", 700, 0, 0, 0, 0, 1}});
        form->task_timerTimer();
        form->pages->setCurrentWidget(form->log);
        ASSERT_EQ(form->log_processes->count(), 1);
    }
    const QString kept = form->log_processes->itemText(0);
    show_tasks();
    FAKE_SYSTEM empty;
    empty.add_snapshot({});
    form->task_timerTimer();
    EXPECT_EQ(model()->shown_count(), 0);
    form->pages->setCurrentWidget(form->log);
    ASSERT_EQ(form->log_processes->count(), 1);
    EXPECT_EQ(form->log_processes->itemText(0), kept);
}

TEST_F(TasksPage, LoggingListFollowsGridOrderWithPaddedPids) {
    FAKE_SYSTEM fake;
    fake.add_snapshot({{"zed", 9, 0, 0, 0, 0, 1}, {"Mid", 4194000, 0, 0, 0, 0, 1}, {"abc", 42, 0, 0, 0, 0, 1}});
    form->task_timerTimer();
    form->pages->setCurrentWidget(form->log);
    ASSERT_EQ(form->log_processes->count(), 3);
    const QFontMetrics fm(QApplication::font("QLabel"));
    const QStringList pids = column(0), names = column(1);
    for (int i = 0; i < 3; ++i) {
        const QString item = form->log_processes->itemText(i);
        ASSERT_TRUE(item.endsWith(names[i])) << item.toStdString();
        const QString prefix = item.left(item.size() - names[i].size());
        EXPECT_EQ(prefix.trimmed(), pids[i]);
        EXPECT_GE(fm.horizontalAdvance(prefix), 30) << item.toStdString();
        // The logger reads the PID up to the first blank: a blank always
        // follows it, even when the PID alone is 30 pixels wide.
        EXPECT_EQ(item.section(QLatin1Char(' '), 0, 0), pids[i]) << item.toStdString();
        if (fm.horizontalAdvance(prefix.chopped(1)) >= 30) {
            EXPECT_EQ(prefix, pids[i] + QLatin1Char(' ')) << "one blank too many: " << item.toStdString();
        }
    }
    EXPECT_TRUE(form->log_processes->itemText(0).endsWith("abc"));
}

TEST_F(TasksPage, RefreshKeepsScrollWidthsAndCurrentRowAndRewritesOnlyChanges) {
    FAKE_SYSTEM fake;
    std::vector<perf_test::PROC_ROW> rows;
    for (std::uint32_t i = 0; i < 200; ++i)
        rows.push_back({"proc" + std::to_string(1000 + i), 1000 + i, 0, 4096ull * i, 0, 1, 1});
    fake.add_snapshot(rows);
    form->task_timerTimer();
    ASSERT_EQ(model()->shown_count(), 200);
    QApplication::processEvents(); // lays out the new rows

    grid()->set_column_width(2, 77);
    grid()->setCurrentIndex(model()->index(40, 1));
    QScrollBar *bar = grid()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 50);
    bar->setValue(50);

    // Cells the model reports changed.
    int written = 0;
    QObject::connect(model(), &QAbstractItemModel::dataChanged, form,
                     [&written](const QModelIndex &a, const QModelIndex &b) {
                         written += (b.row() - a.row() + 1) * (b.column() - a.column() + 1);
                     });
    form->task_timerTimer(); // the same figures a second later
    EXPECT_EQ(written, 0) << "unchanged cells are not rewritten";

    rows.erase(rows.begin() + 150); // a process ends
    rows[10].working_set = 1u << 20;
    fake.add_snapshot(rows);
    form->task_timerTimer();
    form->task_timerTimer();
    QObject::disconnect(model(), &QAbstractItemModel::dataChanged, form, nullptr);
    EXPECT_EQ(model()->shown_count(), 199);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 7 * 60) << "rows above the ended process are left alone";
    EXPECT_EQ(grid()->column_width(2), 77);
    EXPECT_EQ(bar->value(), 50);
    EXPECT_EQ(grid()->currentIndex().row(), 40);
}

TEST_F(TasksPage, RightButtonMakesTheRowUnderThePointerCurrent) {
    FAKE_SYSTEM fake;
    fake.add_snapshot({{"a", 100, 0, 0, 0, 0, 1}, {"b", 200, 0, 0, 0, 0, 1}, {"c", 300, 0, 0, 0, 0, 1}});
    form->task_timerTimer();
    const QRect cell = grid()->visualRect(model()->index(2, 3)); // the third row
    ASSERT_TRUE(cell.isValid());
    // On the third row it becomes current; beside the rows (below the last)
    // nothing is chosen, not the row selected before.
    for (const QPointF at : {QPointF(cell.center()), QPointF(cell.center()) + QPointF(0, 5 * cell.height())}) {
        grid()->setCurrentIndex(model()->index(0, 1));
        QMouseEvent press(QEvent::MouseButtonPress, at, grid()->viewport()->mapToGlobal(at), Qt::RightButton,
                          Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(grid()->viewport(), &press);
        const bool on_row = at == QPointF(cell.center());
        EXPECT_EQ(grid()->currentIndex().row(), on_row ? 2 : -1);
        EXPECT_EQ(grid()->current_process().any, on_row);
        EXPECT_EQ(grid()->current_process().name, on_row ? "c" : "");
        form->PopupMenu3->close();
    }
}

TEST_F(TasksPage, WorkerRefreshDuringPageRefreshesNeverDeadlocks) {
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::thread worker([&] {
        PROCESS_MAP copy;
        while (!stop) {
            refresh_process_table();
            copy_process_table(copy);
            ++rounds;
        }
    });
    for (int i = 0; i < 5; ++i) {
        form->task_timerTimer();
        form->close(); // hidden: the worker now samples for real
        ASSERT_TRUE(wait_until([&] { return rounds > 2 * i + 1; }, 20s)) << "worker stuck";
        show_tasks();
    }
    stop = true;
    worker.join();
    EXPECT_GE(row_of(getpid()), 0);
}

TEST_F(TasksPage, SortFilterAndTreeWorkFromRecordsAndTheSelectionFollowsItsProcess) {
    const std::map<std::uint32_t, std::string> names = {
        {1, "init"}, {10, "shell"}, {20, "busy"}, {30, "sleepy"}};
    platform::set_process_details_reader([&](std::uint32_t pid, std::uint64_t) {
        const std::string name = names.count(pid) ? names.at(pid) : "";
        return platform::PROCESS_DETAILS{name, pid == 30 ? "anna" : "root", "/bin/" + name + " --x"};
    });
    FAKE_SYSTEM fake;
    // init > shell > (busy, sleepy); Idle and init have no parent.
    const std::vector<std::uint64_t> parents = {0, 0, 1, 10, 10};
    auto snapshot = [&](std::uint64_t idle, std::uint64_t busy, std::uint64_t sleepy) {
        fake.add_snapshot({{"Idle", 0, idle, 0, 0, 0, 1},
                           {"init", 1, 0, 0, 0, 0, 1},
                           {"shell", 10, 0, 0, 0, 0, 1},
                           {"busy", 20, busy, 0, 0, 0, 1},
                           {"sleepy", 30, sleepy, 0, 0, 0, 1}},
                          {}, parents);
    };
    snapshot(0, 0, 0);
    snapshot(6000000, 3000000, 0);
    snapshot(12000000, 6000000, 2000000); // sleepy now uses more than busy did
    form->task_timerTimer();
    form->task_timerTimer();
    EXPECT_EQ(column(1), (QStringList{"busy", "Idle", "init", "shell", "sleepy"})) << "the designed order";
    ASSERT_TRUE(grid()->set_current_process(30, 0));

    // A header click sorts by CPU, highest first: Idle, then the busy one.
    emit grid()->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(column(1), (QStringList{"Idle", "busy", "init", "shell", "sleepy"}));
    EXPECT_EQ(grid()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(grid()->current_process().name, "sleepy") << "the selection follows its process";
    form->task_timerTimer(); // shares change the order; ties stay in name order
    EXPECT_EQ(column(1), (QStringList{"Idle", "busy", "sleepy", "init", "shell"}));
    EXPECT_EQ(grid()->current_process().name, "sleepy");
    emit grid()->horizontalHeader()->sectionClicked(2); // again: the other way
    EXPECT_EQ(column(1), (QStringList{"init", "shell", "sleepy", "busy", "Idle"}));

    // The filter: name, id, owner or command line, case ignored.
    const struct {
        const char *text;
        QStringList rows;
    } filters[] = {{"BUSY", {"busy"}},
                   {" 30 ", {"sleepy"}},
                   {"anna", {"sleepy"}},
                   {"/bin/sh", {"shell"}},
                   {"nothing", {}}};
    for (const auto &f : filters) {
        form->pfilter->setText(QString::fromLatin1(f.text));
        EXPECT_EQ(column(1), f.rows) << f.text;
        EXPECT_EQ(form->pcount->text(), QStringLiteral("%1 of 5 processes").arg(f.rows.size())) << f.text;
    }
    // The Logging page lists every process whatever the filter.
    form->pages->setCurrentWidget(form->log);
    EXPECT_EQ(form->log_processes->count(), 5);
    show_tasks();
    form->pfilter->setFocus();
    form->FormKeyDown(Qt::Key_Escape, Qt::NoModifier); // Esc empties the box, the window stays
    EXPECT_TRUE(form->pfilter->text().isEmpty());
    EXPECT_TRUE(form->isVisible());
    ASSERT_TRUE(grid()->set_current_process(30, 0));

    // The tree, by name within each level: children under their parents.
    grid()->set_sort({task_name_column, false});
    grid()->tree_action()->trigger();
    EXPECT_EQ(column(1), (QStringList{"Idle", "init", "   shell", "      busy", "      sleepy"}));
    EXPECT_EQ(grid()->current_process().name, "sleepy");

    // The state goes with the window's and comes back.
    form->save_tasks_state();
    grid()->tree_action()->trigger();
    grid()->set_sort({task_cpu_column, true});
    form->load_tasks_state();
    EXPECT_TRUE(model()->tree());
    EXPECT_EQ(model()->sort().column, task_name_column);
    grid()->tree_action()->trigger();
    form->save_tasks_state();
    platform::set_process_details_reader({});

    // A name longer than the Name column widens it while the window has room.
    const QString long_name(40, QLatin1Char('w'));
    form->resize(1400, form->height());
    QApplication::processEvents();
    fake.add_snapshot({{long_name.toStdString(), 40, 0, 0, 0, 0, 1}});
    form->task_timerTimer();
    EXPECT_GE(grid()->column_width(task_name_column), grid()->fontMetrics().horizontalAdvance(long_name));
}
