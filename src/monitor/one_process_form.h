// Tone_process_form: a small frameless window, always on top and
// semi-transparent, that shows one process's figures in a one-row grid
// every 900 ms until the process ends or the user closes it. Several may
// be open at once, also for the same process; each has its own refresher
// thread (one_process_thread.h).
//
// Keys: Esc closes the window; Ctrl and = makes it more opaque, Ctrl and -
// more transparent, in steps of 10 (254 and 0 at the ends). Dragging
// anywhere on it moves it.
//
// Threads: created, shown and closed on the GUI thread. The refresher
// reads only watched_pid, watched_start_time, refresh_running and the wake
// signal, and writes refresh_finished; it hands texts over by queued
// calls to show_row.
#pragma once

#include "monitor/one_process_thread.h"
#include "monitor/process_key.h"

#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class TGrid;

class Tone_process_form : public QWidget {
    Q_OBJECT
public:
    explicit Tone_process_form(const PROCESS_KEY &process);
    ~Tone_process_form() override;

    TGrid *grid = nullptr;

    std::uint32_t watched_pid = 0;
    std::uint64_t watched_start_time = 0; // as the user chose the process; 0 unknown
    std::atomic<bool> refresh_running{true};
    std::atomic<bool> refresh_finished{false};
    std::thread refresh_thread;
    std::uint8_t alpha = 170;

    // Handlers.
    void FormShow();
    void FormActivate();
    void FormDeactivate();
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void FormClose();
    void gridMouseDown();

    // The refresher's texts, on the GUI thread.
    void show_row(const ONE_PROCESS_ROW &row);

    // The refresher waits here between cycles; true when woken to stop.
    bool wait_cycle();

    // Applies alpha as the window's opacity.
    void apply_alpha();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void stay_on_top();

    std::mutex wake_lock_;
    std::condition_variable wake_;
    bool closed_ = false;
};

// The most recently opened window; null once any window closes.
extern Tone_process_form *one_process_form;

// Opens a new window for the process and starts its refresher. GUI
// thread.
void open_process_window(const PROCESS_KEY &process);

// How many windows are open. GUI thread.
int one_process_windows_open();

// Closes every open window (program exit). GUI thread.
void close_all_process_windows();
