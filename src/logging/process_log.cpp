#include "logging/process_log.h"

#include "common/flags.h"
#include "logging/process_log_line.h"
#include "monitor/perf_reader.h"

#include <QDateTime>

#include <chrono>
#include <thread>

std::uint32_t logged_pid = 0;

namespace {

std::thread logger;

LOG_LOCAL_TIME local_time_now() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

// Sleeps about ms, returning early when logging is switched off.
void pause_while_active(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (logging_active) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until)
            return;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(until - now, std::chrono::milliseconds(20)));
    }
}

} // namespace

void follow_logged_process(LOGGED_PROCESS &followed, PROCESS_INFO_STRUCT &entry, bool in_snapshot) {
    if (!followed.gone) {
        if (!in_snapshot)
            followed.gone = true;
        else if (followed.start_time == 0)
            followed.start_time = entry.start_time;
        else if (entry.start_time != 0 && entry.start_time != followed.start_time)
            followed.gone = true;
        if (followed.gone)
            followed.last.cpu_share = 0.0;
    }
    if (followed.gone) {
        entry = followed.last;
        return;
    }
    entry.cpu_share = clamp_cpu_share(entry.cpu_share);
    followed.last = entry;
}

void process_log_thread(PROCESS_LOG_JOB job) {
    PROCESS_MAP table;
    SAMPLE_CLOCK clock;
    table[job.pid].pid = job.pid;
    LOGGED_PROCESS followed;
    followed.last = table[job.pid];
    bool first_pass = true;
    while (logging_active) {
        if (!first_pass) {
            // A stranger under the id is not sampled at all: its figures
            // would only be thrown away.
            std::size_t found = 1;
            if (!followed.gone && !sample_processes(table, clock, &found))
                found = 1; // no snapshot: nothing is known to have changed
            follow_logged_process(followed, table[job.pid], found != 0);
            std::string bytes =
                process_log_line(local_time_now(), followed.last, job.time_separator, job.decimal_separator);
            bytes += process_log_terminator;
            job.file.append(bytes);
        }
        first_pass = false;
        pause_while_active(1000);
    }
    job.file.close();
    logger_finished = true;
}

void start_process_log(PROCESS_LOG_JOB job) {
    close_logger_thread();
    logged_pid = job.pid;
    logging_active = true;
    logger_finished = false;
    logger = std::thread(process_log_thread, std::move(job));
}

void stop_process_log() {
    logging_active = false;
    wait_for_flag(logger_finished, true, -1);
    close_logger_thread();
}

void close_logger_thread() {
    if (!logger.joinable())
        return;
    if (logger_finished)
        logger.join();
    else
        logger.detach();
}
