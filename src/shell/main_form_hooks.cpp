#include "shell/main_form_hooks.h"

#include "common/flags.h"
#include "shell/main_form.h"

#include <QPainter>

#include <chrono>
#include <thread>

namespace hooks {

namespace {
std::function<void(const QImage &)> g_sink;
}

void empty_process_table() {}
bool tasks_page_supported() { return true; }
void task_timer_tick(TTM *) {}

void reset_cpu_history() {}
void create_tray_images() {}
void destroy_tray_images() {}

QImage current_tray_icon() {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(2, 2, 11, 11);
    return img;
}

void set_tray_icon_sink(std::function<void(const QImage &)> sink) { g_sink = std::move(sink); }

void cpu_sampler_thread() {
    while (sampler_running)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    sampler_finished = true;
}

void status_texts(QString texts[3]) {
    for (int i = 0; i < 3; ++i)
        texts[i].clear();
}

void load_catalogue(const std::string &) {}
void fill_shortcut_grid(TTM *) {}

void wait_grid_idle() {}

void scan_windows_now(TTM *) {}
void scan_windows_on_page(TTM *) {}
void scan_windows_on_timer(TTM *) {}
void connect_page_commands(TTM *) {}
void tray_menu_popup(TTM *) {}

void restore_priorities() { rescue_mode = false; }
void rescue_hotkey(TTM *form, int) { form->N1Click(); }
bool single_process_window_open() { return false; }
void close_all_single_process_windows() {}

void close_logger_thread() {}
void stop_global_logging() {
    global_stat_running = false;
    wait_for_flag(global_stat_finished, true, 10000);
}

void show_settings(TTM *) {}
void shutdown_command(TTM *) {}

} // namespace hooks
