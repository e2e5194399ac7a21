// The one-process log through the Logging page's handlers, with real
// widgets (offscreen), a real child process and real files.
#include "common/flags.h"
#include "logging/logging_page.h"
#include "logging/process_log.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "support/qt_app.h"
#include "support/test_env.h"
#include "toolkit/file_name_edit.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLocale>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <regex>

#include <sys/stat.h>

namespace {

using test_env::make_temp_dir;
using test_env::read_file;

struct BOX {
    std::string text, caption;
    unsigned flags;
};

class LoggingPage : public ::testing::Test {
protected:
    void SetUp() override {
        ensure_qt_application(true);
        platform::set_message_box_handler(
            [this](const std::string &text, const std::string &caption, unsigned f) {
                boxes.push_back({text, caption, f});
                return answer;
            });
        processes = new QComboBox;
        logfile = new TFileNameEdit;
        start = new QPushButton;
        stop = new QPushButton;
        stop->setEnabled(false);
    }
    void TearDown() override {
        stop_process_log();
        platform::set_message_box_handler(nullptr);
        for (QWidget *w : std::initializer_list<QWidget *>{processes, logfile, start, stop})
            delete w;
    }
    void rows(std::initializer_list<std::pair<std::uint32_t, std::string>> list) {
        every_process.clear();
        for (const auto &[pid, name] : list)
            every_process.push_back({{pid, 0}, name});
    }
    void click_start() { start_logging_click(processes, logfile, start, stop, nullptr); }
    bool idle() const { return start->isEnabled() && !stop->isEnabled() && processes->isEnabled(); }

    std::vector<BOX> boxes;
    int answer = platform::IDOK;
    std::vector<CHOSEN_PROCESS> every_process; // as the Tasks page lists them
    QComboBox *processes = nullptr;
    TFileNameEdit *logfile = nullptr;
    QPushButton *start = nullptr, *stop = nullptr;
};

TEST_F(LoggingPage, ListIsFilledWithNothingSelectedAndChecksComeInOrder) {
    logging_page_activated(start, stop, processes, every_process);
    EXPECT_EQ(processes->count(), 0) << "an unfilled Tasks page leaves the list as it is";
    rows({{1, "init"}, {4242424242u, "long"}, {77, ""}});
    logging_page_activated(start, stop, processes, every_process);
    ASSERT_EQ(processes->count(), 3);
    EXPECT_EQ(processes->currentIndex(), -1);
    EXPECT_TRUE(processes->currentText().isEmpty());
    EXPECT_TRUE(processes->itemText(0).startsWith("1 ") && processes->itemText(0).endsWith(" init"));
    EXPECT_TRUE(processes->itemText(1).startsWith("4242424242 ")) << "a wide PID still gets its blank";

    // Nothing chosen, no file: the process is checked first.
    click_start();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "No process set to logging.");
    EXPECT_EQ(boxes[0].caption, "Logging error");
    EXPECT_EQ(boxes[0].flags, platform::MB_OK | platform::MB_ICONERROR);
    processes->setCurrentIndex(0);
    click_start();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "No file set to logging.");
    EXPECT_EQ(boxes[1].caption, "Logging error");

    // An item that names no process.
    processes->addItem("abc worker");
    processes->setCurrentIndex(3);
    logfile->set_file_name(QString::fromStdString(make_temp_dir() + "/x.log"));
    click_start();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, "No process set to logging.");
    EXPECT_TRUE(idle());
    EXPECT_FALSE(logging_active);

    // An existing file: asked; Cancel leaves it untouched.
    const std::string existing = make_temp_dir() + "/old.log";
    test_env::write_file(existing, "keep me");
    logfile->set_file_name(QString::fromStdString(existing));
    processes->setCurrentIndex(0);
    answer = platform::IDCANCEL;
    click_start();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[3].text, "File " + existing + " already exists. Overwrite file?");
    EXPECT_EQ(boxes[3].caption, "Logging warning");
    EXPECT_EQ(boxes[3].flags, platform::MB_OKCANCEL | platform::MB_ICONWARNING);
    EXPECT_EQ(read_file(existing), "keep me");
    EXPECT_FALSE(logging_active);

    // The listed id has since been taken by a later process: nothing is logged.
    every_process = {{{1, platform::process_start_time(1) + 1}, "init", true}};
    logging_page_activated(start, stop, processes, every_process);
    processes->setCurrentIndex(0);
    click_start();
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[4].text, "The process has ended.");
    EXPECT_FALSE(logging_active);
}

TEST_F(LoggingPage, FilesThatCannotBeLoggedToAreToldAndThePageStaysIdle) {
    const std::string dir = make_temp_dir();
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    rows({{1, "init"}});
    logging_page_activated(start, stop, processes, every_process);
    processes->setCurrentIndex(0);
    for (const std::string &path : {dir + "/no/such/folder/x.log", dir + "/fifo", dir}) {
        boxes.clear();
        logfile->set_file_name(QString::fromStdString(path));
        const auto t0 = std::chrono::steady_clock::now();
        click_start();
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2)) << path;
        ASSERT_FALSE(boxes.empty()) << path;
        EXPECT_EQ(boxes.back().caption, "Logging error") << path;
        EXPECT_NE(boxes.back().text.find("cannot be opened"), std::string::npos) << boxes.back().text;
        EXPECT_FALSE(logging_active);
        EXPECT_TRUE(idle());
        // Stop after the refusal returns at once.
        const auto t1 = std::chrono::steady_clock::now();
        stop_logging_click(processes, start, stop);
        EXPECT_LT(std::chrono::steady_clock::now() - t1, std::chrono::milliseconds(100));
    }
}

TEST_F(LoggingPage, LogsAChildOnceASecondUntilStopped) {
    test_env::child_process child({"sleep", "60"});
    const std::string path = make_temp_dir() + "/child.log";
    test_env::write_file(path, std::string(5000, 'x')); // an existing file, overwritten with OK
    rows({{1, "init"}, {static_cast<std::uint32_t>(child.pid()), "sleep"}});
    logging_page_activated(start, stop, processes, every_process);
    processes->setCurrentIndex(1);
    logfile->set_file_name(QString::fromStdString(path));
    // A German user: the decimal comma, the colon between hours and minutes.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto t0 = std::chrono::steady_clock::now();
    click_start();
    QLocale::setDefault(QLocale::c());
    ASSERT_TRUE(logging_active);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_TRUE(stop->isEnabled());
    EXPECT_FALSE(processes->isEnabled());
    EXPECT_EQ(logged_pid, static_cast<std::uint32_t>(child.pid()));

    // Activating the page while logging changes nothing.
    rows({{2, "other"}});
    logging_page_activated(start, stop, processes, every_process);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(processes->count(), 2);

    auto zero_bytes = [&] {
        const std::string bytes = read_file(path);
        return std::count(bytes.begin(), bytes.end(), '\0');
    };
    ASSERT_TRUE(test_env::wait_until([&] { return zero_bytes() >= 2; }, std::chrono::seconds(10)));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(1900))
        << "the first line comes a second after the start, the next a second later";
    stop_logging_click(processes, start, stop);
    EXPECT_TRUE(logger_finished);
    EXPECT_TRUE(idle());

    const std::string bytes = read_file(path);
    const auto n = std::count(bytes.begin(), bytes.end(), '\0');
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), n);
    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    EXPECT_EQ(bytes.find('x'), std::string::npos) << "the old content is gone";
    const std::regex line(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d )" + std::to_string(child.pid()) +
                          R"( sleep CPU \d+,\d RAM \d+ Paged \d+ Handles \d+ Threads 1)");
    std::size_t at = 0;
    for (long i = 0; i < n; ++i) {
        const std::size_t end = bytes.find('\0', at);
        EXPECT_TRUE(std::regex_match(bytes.substr(at, end - at), line)) << bytes.substr(at, end - at);
        EXPECT_EQ(bytes[end + 1], '\r');
        at = end + 2;
    }
    EXPECT_EQ(at, bytes.size());
    // Stopped: nothing more is written.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_EQ(read_file(path), bytes);
}

TEST(ProcessLogThread, AnEndedProcessRepeatsItsLastValuesWithCpuZero) {
    const std::string path = make_temp_dir() + "/ended.log";
    test_env::child_process child({"sh", "-c", "while :; do :; done"}); // busy until killed
    PROCESS_LOG_JOB job;
    const auto pid = static_cast<std::uint32_t>(child.pid());
    job.pid = pid;
    std::string error;
    ASSERT_TRUE(job.file.open(path, error)) << error;
    job.time_separator = ":";
    job.decimal_separator = ",";
    start_process_log(std::move(job));
    const auto lines = [&] {
        const std::string b = read_file(path);
        return std::count(b.begin(), b.end(), '\r');
    };
    ASSERT_TRUE(test_env::wait_until([&] { return lines() >= 2; })); // one share over an interval
    child.kill_hard();
    child.wait();
    const auto before_end = lines();
    ASSERT_TRUE(test_env::wait_until([&] { return lines() >= before_end + 2; }));
    stop_process_log();
    const std::string bytes = read_file(path);
    // Every line names the child, with the German decimal comma.
    std::size_t at = 0, count = 0;
    std::string last_tail, busy_tail;
    while (at < bytes.size()) {
        const std::size_t end = bytes.find('\0', at);
        ASSERT_NE(end, std::string::npos);
        const std::string text = bytes.substr(at, end - at);
        EXPECT_NE(text.find(" " + std::to_string(pid) + " sh CPU "), std::string::npos) << text;
        EXPECT_NE(text.find(','), std::string::npos) << text;
        if (count == 1)
            busy_tail = text.substr(text.find(" CPU "));
        last_tail = text.substr(text.find(" CPU "));
        at = end + 2;
        ++count;
    }
    EXPECT_GE(count, 4u);
    EXPECT_EQ(busy_tail.find(" CPU 0,0 "), std::string::npos) << busy_tail;
    EXPECT_EQ(last_tail, " CPU 0,0" + busy_tail.substr(busy_tail.find(" RAM ")))
        << "the ended process's last figures are repeated, with CPU 0.0";
}

} // namespace
