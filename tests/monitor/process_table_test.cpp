// process_table: syncing its keys with the process list, copies, and the
// worker refresh with its locking.
#include "monitor/process_table.h"

#include "common/flags.h"
#include "common/sfx_mutex.h"
#include "monitor/perf_reader.h"
#include "monitor/perf_test_blocks.h"
#include "monitor/process_table_sync.h"
#include "platform/process_list.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// An enumerator over a fixed list that honours the capacity it is given.
struct FAKE_LIST {
    std::vector<std::uint32_t> ids;
    int calls = 0;
    bool fail = false;
    bool operator()(std::uint32_t *out, std::size_t capacity, std::size_t &count) {
        ++calls;
        count = 0;
        if (fail)
            return false;
        count = std::min(capacity, ids.size());
        std::copy_n(ids.begin(), count, out);
        return true;
    }
};

std::vector<std::uint32_t> keys_of(const PROCESS_MAP &t) {
    std::vector<std::uint32_t> k;
    for (const auto &[pid, r] : t)
        k.push_back(pid);
    return k;
}

PROCESS_INFO_STRUCT named(std::uint32_t pid, const char *name, double share) {
    PROCESS_INFO_STRUCT r;
    r.pid = pid;
    std::strncpy(r.name, name, sizeof r.name - 1);
    r.cpu_share = share;
    r.working_set = 4096;
    return r;
}

// Resets the shared table and every test seam around each test.
class ProcessTable : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    void reset() {
        platform::set_process_enumerator({});
        platform::set_perf_data_source(nullptr);
        list_visible = false;
        set_tasks_page_current(false);
        empty_process_table();
    }
    void use_list(FAKE_LIST &list) {
        platform::set_process_enumerator([&list](std::uint32_t *o, std::size_t c, std::size_t &n) {
            return list(o, c, n);
        });
    }
};

} // namespace

TEST(SyncProcessMap, AddsEveryListedIdWithZeroFigures) {
    PROCESS_MAP t;
    const std::uint32_t ids[] = {0, 4, 5, 6, 7, 8, 1234, 8};
    sync_process_map(t, ids);
    EXPECT_EQ(keys_of(t), (std::vector<std::uint32_t>{0, 4, 5, 6, 7, 8, 1234}));
    const PROCESS_INFO_STRUCT &r = t.at(1234);
    EXPECT_EQ(r.pid, 1234u);
    EXPECT_EQ(r.cpu_share, 0.0);
    EXPECT_EQ(r.working_set, 0u);
    EXPECT_EQ(r.last_cpu_time, 0.0);
    EXPECT_EQ(r.name[0], '\0');
}

TEST(SyncProcessMap, RemovesEndedIdsAndKeepsFiguresOfTheOthers) {
    PROCESS_MAP t;
    t[10] = named(10, "stays", 0.5);
    t[11] = named(11, "ended", 0.25);
    t[6] = named(6, "six", 0.0);
    const std::uint32_t ids[] = {12, 10, 6};
    sync_process_map(t, ids);
    EXPECT_EQ(keys_of(t), (std::vector<std::uint32_t>{6, 10, 12}));
    EXPECT_STREQ(t.at(10).name, "stays");
    EXPECT_EQ(t.at(10).cpu_share, 0.5);
    EXPECT_EQ(t.at(12).name[0], '\0');
}

TEST(SyncProcessMap, NewAndEndedIdsInterleavedAtEveryPlace) {
    PROCESS_MAP t;
    for (std::uint32_t id : {1u, 3u, 9u, 20u, 30u})
        t[id] = named(id, "old", 0.1 * id);
    // New before the first record, between records and after the last;
    // ended at the start, in the middle and at the end.
    const std::uint32_t ids[] = {2, 3, 15, 9, 40, 41};
    sync_process_map(t, ids);
    EXPECT_EQ(keys_of(t), (std::vector<std::uint32_t>{2, 3, 9, 15, 40, 41}));
    EXPECT_STREQ(t.at(3).name, "old");
    EXPECT_EQ(t.at(9).cpu_share, 0.1 * 9);
    for (std::uint32_t id : {2u, 15u, 40u, 41u}) {
        EXPECT_EQ(t.at(id).pid, id);
        EXPECT_EQ(t.at(id).name[0], '\0');
    }
    sync_process_map(t, {});
    EXPECT_TRUE(t.empty());
}

TEST(CollectProcessIds, GrowsTheArrayUntilTheListIsComplete) {
    FAKE_LIST list;
    for (std::uint32_t i = 0; i < 250; ++i)
        list.ids.push_back(1000 + i);
    std::vector<std::uint32_t> ids;
    std::size_t capacity = 100;
    ASSERT_TRUE(collect_process_ids(std::ref(list), ids, capacity));
    EXPECT_EQ(ids, list.ids);
    EXPECT_GT(capacity, 250u);
    EXPECT_EQ(list.calls, 3); // 100, 200, 400

    // The size that sufficed is kept: the next call needs one pass.
    list.calls = 0;
    ASSERT_TRUE(collect_process_ids(std::ref(list), ids, capacity));
    EXPECT_EQ(list.calls, 1);
    EXPECT_EQ(ids.size(), 250u);
}

TEST(CollectProcessIds, ListExactlyFillingTheArrayIsAskedAgain) {
    FAKE_LIST list;
    for (std::uint32_t i = 0; i < 100; ++i)
        list.ids.push_back(i);
    std::vector<std::uint32_t> ids;
    std::size_t capacity = 100;
    ASSERT_TRUE(collect_process_ids(std::ref(list), ids, capacity));
    EXPECT_EQ(list.calls, 2);
    EXPECT_EQ(ids.size(), 100u);
}

TEST(CollectProcessIds, FailureGivesNoList) {
    FAKE_LIST list;
    list.ids = {1, 2};
    list.fail = true;
    std::vector<std::uint32_t> ids = {9};
    std::size_t capacity = 100;
    EXPECT_FALSE(collect_process_ids(std::ref(list), ids, capacity));
    EXPECT_TRUE(ids.empty());
}

TEST_F(ProcessTable, SyncFollowsTheSystemListAndKeepsTheTableWhenListingFails) {
    FAKE_LIST list;
    list.ids = {0, 5, 6, 7, 100, 200};
    use_list(list);
    SFXLock hold(task_time_mutex());
    ASSERT_TRUE(sync_process_table());
    EXPECT_EQ(keys_of(process_table), (std::vector<std::uint32_t>{0, 5, 6, 7, 100, 200}));

    list.fail = true;
    EXPECT_FALSE(sync_process_table());
    EXPECT_EQ(keys_of(process_table), (std::vector<std::uint32_t>{0, 5, 6, 7, 100, 200}));

    list.fail = false;
    list.ids = {0, 200, 300};
    ASSERT_TRUE(sync_process_table());
    EXPECT_EQ(keys_of(process_table), (std::vector<std::uint32_t>{0, 200, 300}));
}

TEST_F(ProcessTable, CopyIntoANonEmptyMapLeavesOnlyTheCopiedRecords) {
    {
        SFXLock hold(task_time_mutex());
        process_table[1] = named(1, "one", 0.5);
        process_table[2] = named(2, "two", 0.25);
    }
    PROCESS_MAP copy;
    copy[1] = named(1, "stale", 0.0);
    copy[99] = named(99, "gone", 0.0);
    EXPECT_TRUE(copy_process_table(copy));
    EXPECT_EQ(keys_of(copy), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_STREQ(copy.at(1).name, "one");
    EXPECT_EQ(copy.at(2).cpu_share, 0.25);
}

TEST_F(ProcessTable, CopyOfOneRecordByIdReportsWhetherFound) {
    {
        SFXLock hold(task_time_mutex());
        process_table[42] = named(42, "answer", 0.125);
    }
    PROCESS_INFO_STRUCT r = named(7, "untouched", 0);
    EXPECT_FALSE(copy_process_info(43, r));
    EXPECT_STREQ(r.name, "untouched");
    ASSERT_TRUE(copy_process_info(42, r));
    EXPECT_EQ(r.pid, 42u);
    EXPECT_STREQ(r.name, "answer");
    EXPECT_EQ(r.working_set, 4096u);
}

TEST_F(ProcessTable, WorkerRefreshUpdatesUnlessTheTasksPageRefreshes) {
    FAKE_LIST list;
    list.ids = {0, 300, 301};
    use_list(list);
    perf_test::SCRIPTED_SOURCE source;
    source.titles = perf_test::standard_titles;
    source.blocks = {perf_test::process_block({{"Idle", 0, 0, 0, 0, 0, 1},
                                               {"worker", 300, 5000, 8192, 4096, 9, 2},
                                               {"_Total", 0, 0, 0, 0, 0, 0}})};
    perf_test::SOURCE_SCOPE scope(&source);

    // Shown with the Tasks page active: the page's timer owns the table.
    list_visible = true;
    set_tasks_page_current(true);
    ASSERT_TRUE(tasks_page_refreshing());
    refresh_process_table();
    EXPECT_EQ(source.queries, 0);
    {
        SFXLock hold(task_time_mutex());
        EXPECT_TRUE(process_table.empty());
        EXPECT_EQ(process_table_clock.current_sample_time, 0u);
    }

    // Shown on another page, or hidden on the Tasks page: the worker does it.
    set_tasks_page_current(false);
    EXPECT_FALSE(tasks_page_refreshing());
    set_tasks_page_current(true);
    list_visible = false;
    EXPECT_FALSE(tasks_page_refreshing());
    refresh_process_table();
    SFXLock hold(task_time_mutex());
    EXPECT_EQ(keys_of(process_table), (std::vector<std::uint32_t>{0, 300, 301}));
    EXPECT_STREQ(process_table.at(300).name, "worker");
    EXPECT_EQ(process_table.at(300).working_set, 8192u);
    EXPECT_EQ(process_table.at(301).name[0], '\0') << "not in the snapshot: stays as created";
    EXPECT_EQ(process_table_clock.current_sample_time, perf_test::base_time);
}

TEST_F(ProcessTable, WorkersAndPageRefreshTogetherNeverDeadlock) {
    // Everything the threads touch lives on the heap: should they lock up,
    // it is left to them rather than freed under their feet.
    struct SHARED {
        FAKE_LIST list;
        perf_test::SCRIPTED_SOURCE source;
        std::atomic<bool> stop{false};
        std::atomic<int> finished{0}, rounds{0};
    };
    auto *s = new SHARED;
    for (std::uint32_t i = 0; i < 300; ++i)
        s->list.ids.push_back(i * 3);
    use_list(s->list);
    s->source.titles = perf_test::standard_titles;
    std::vector<perf_test::PROC_ROW> rows;
    for (std::uint32_t pid : s->list.ids)
        rows.push_back({"p" + std::to_string(pid), pid, pid * 10ull, 4096, 4096, 1, 1});
    rows.push_back({"_Total", 0, 0, 0, 0, 0, 0});
    s->source.blocks = {perf_test::process_block(rows)};
    platform::set_perf_data_source(&s->source);

    std::vector<std::thread> threads;
    // Two workers keep the table current (single-process window, collector).
    for (int w = 0; w < 2; ++w)
        threads.emplace_back([s] {
            PROCESS_MAP copy;
            PROCESS_INFO_STRUCT one;
            while (!s->stop) {
                refresh_process_table();
                copy_process_table(copy);
                copy_process_info(3, one);
                ++s->rounds;
            }
            ++s->finished;
        });
    // The processor sampler takes only the inner lock.
    threads.emplace_back([s] {
        while (!s->stop) {
            SFXLock hold(get_cpu_and_other_mutex());
        }
        ++s->finished;
    });
    // The page refresh: the outer lock, then sync and the snapshot; the
    // workers see the page as shown or not, by turns.
    threads.emplace_back([s] {
        for (int i = 0; !s->stop; ++i) {
            list_visible = (i % 3) != 0;
            set_tasks_page_current(true);
            SFXLock hold(task_time_mutex());
            sync_process_table();
            sample_processes(process_table, process_table_clock);
        }
        ++s->finished;
    });

    const bool interleaved = test_env::wait_until([&] { return s->rounds >= 200; }, 20s);
    s->stop = true;
    const bool all_done = test_env::wait_until([&] { return s->finished == 4; }, 20s);
    if (!all_done) {
        for (auto &t : threads)
            t.detach();
        FAIL() << "a lock-order cycle: " << s->rounds << " worker rounds, " << s->finished
               << " of 4 threads finished";
    }
    for (auto &t : threads)
        t.join();
    EXPECT_TRUE(interleaved) << "only " << s->rounds << " worker rounds in 20 s";
    {
        SFXLock hold(task_time_mutex());
        EXPECT_EQ(process_table.size(), 300u); // every listed id
        EXPECT_STREQ(process_table.at(897).name, "p897");
    }
    platform::set_perf_data_source(nullptr);
    platform::set_process_enumerator({});
    delete s;
}

TEST_F(ProcessTable, RealSystemListIncludesIdleAndThisProcessButAChildOnlyWhileItRuns) {
    test_env::child_process child({"sleep", "300"});
    ASSERT_GT(child.pid(), 0);
    const auto child_pid = static_cast<std::uint32_t>(child.pid());
    auto listed = [](std::uint32_t pid) {
        SFXLock hold(task_time_mutex());
        sync_process_table();
        return process_table.count(pid) == 1;
    };
    EXPECT_TRUE(listed(0)) << "the idle pseudo-process";
    EXPECT_TRUE(listed(static_cast<std::uint32_t>(getpid())));
    EXPECT_TRUE(listed(child_pid));
    child.kill_hard();
    EXPECT_TRUE(test_env::wait_until([&] { return !listed(child_pid); }, 10s));
}
