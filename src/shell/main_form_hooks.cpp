#include "shell/main_form_hooks.h"

#include "catalogue/catalogue_file.h"
#include "catalogue/changeicon_form.h"
#include "catalogue/discovery.h"
#include "catalogue/link_map.h"
#include "catalogue/shortcuts_page.h"
#include "catalogue/tray_menu.h"
#include "common/flags.h"
#include "monitor/cpu_load.h"
#include "monitor/cpu_sampler.h"
#include "monitor/process_table.h"
#include "monitor/status_texts.h"
#include "monitor/tasks_page.h"
#include "monitor/tray_icon.h"
#include "monitor/tray_icon_argb.h"
#include "platform/perf_data.h"
#include "shell/data_paths.h"
#include "shell/main_form.h"
#include "shell/shutdown_command.h"
#include "shell/settings_form.h"
#include "toolkit/system_tray_icon.h"

#include <QApplication>
#include <QPalette>

#include <chrono>
#include <thread>

namespace hooks {

void empty_process_table() { ::empty_process_table(); }
bool tasks_page_supported() {
    platform::PLATFORM_FAMILY family;
    return platform::query_platform_family(family) && family == platform::PLATFORM_FAMILY::nt;
}
void task_timer_tick(TTM *form) { tasks_page_refresh(form); }

void reset_cpu_history() { ::reset_cpu_history(); }

void create_tray_images() {
    // The icon's outer ring takes the menu background, as the tray shows it.
    QColor menu = QApplication::palette().color(QPalette::Window);
    ::create_tray_images(RGB_COLOR{static_cast<std::uint8_t>(menu.red()), static_cast<std::uint8_t>(menu.green()),
                                   static_cast<std::uint8_t>(menu.blue())});
}

void destroy_tray_images() { ::destroy_tray_images(); }

void show_current_tray_picture() {
    if (!tray_image || !tray_mask)
        return;
    const TRAY_ARGB picture = tray_icon_argb(*tray_image, *tray_mask);
    TTrayIcon::set_picture(picture.data(), tray_side);
}

void send_tray_pictures(bool on) {
    if (on)
        ::set_tray_icon_sink([](const TRAY_ARGB &picture) { TTrayIcon::set_picture(picture.data(), tray_side); });
    else
        ::set_tray_icon_sink(nullptr);
}

void cpu_sampler_thread() { ::cpu_sampler_thread(); }

void status_texts(QString texts[3]) {
    STATUS_TEXTS t = current_status_texts();
    // Plain ASCII: no UTF-8 decoding needed.
    texts[0] = QString::fromLatin1(t.cpu.data(), static_cast<qsizetype>(t.cpu.size()));
    texts[1] = QString::fromLatin1(t.physical.data(), static_cast<qsizetype>(t.physical.size()));
    texts[2] = QString::fromLatin1(t.virtual_memory.data(), static_cast<qsizetype>(t.virtual_memory.size()));
}

void load_catalogue(const std::string &path) {
    set_catalogue_save_path(path);
    create_catalogue(path);
    read_catalogue(path, link_map, never_add_list);
}
void fill_shortcut_grid(TTM *form) {
    ::fill_shortcut_grid(form);
    prepare_tray_menu_icons();
}

void wait_grid_idle() {
    while (grid_busy)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void scan_windows_now(TTM *form) {
    take_grid_busy();
    scan_windows_into_grid(form);
    release_grid_busy();
}
void scan_windows_on_page(TTM *form) { scan_windows_into_grid(form); }
void scan_windows_on_timer(TTM *form) { scan_windows_into_grid(form); }
void connect_page_commands(TTM *form) { connect_shortcuts_page(form); }
void tray_menu_popup(TTM *form) {
    ::tray_menu_popup({form->PopupMenu1, form->N4, form->N1, form->N25, form->N2, form->N14, form->N3,
                       form->N27, form->N28, &form->pimages, &form->defaultlist, &form->Image1},
                      icons_path);
}
void change_icon(TTM *form) { change_icon_command(form->grid, icons_path, form); }

void restore_priorities() { rescue_mode = false; }
void rescue_hotkey(TTM *form, int) { form->N1Click(); }
bool single_process_window_open() { return false; }
void close_all_single_process_windows() {}

void close_logger_thread() {}
void stop_global_logging() {
    global_stat_running = false;
    wait_for_flag(global_stat_finished, true, 10000);
}

void show_settings(TTM *) { ::show_settings(); }
void shutdown_command(TTM *form) { N14Click(form); }

} // namespace hooks
