#include "shell/main_form_hooks.h"

#include "catalogue/catalogue_file.h"
#include "catalogue/changeicon_form.h"
#include "catalogue/discovery.h"
#include "catalogue/hotkey_watch.h"
#include "catalogue/link_map.h"
#include "catalogue/shortcuts_page.h"
#include "catalogue/tray_menu.h"
#include "common/flags.h"
#include "logging/global_stat.h"
#include "logging/process_log.h"
#include "monitor/cpu_load.h"
#include "monitor/cpu_sampler.h"
#include "monitor/one_process_form.h"
#include "monitor/process_table.h"
#include "monitor/rescue.h"
#include "monitor/status_texts.h"
#include "monitor/tasks_page.h"
#include "monitor/tray_pictures.h"
#include "platform/message_box.h"
#include "platform/perf_data.h"
#include "shell/data_paths.h"
#include "shell/main_form.h"
#include "shell/main_form_shortcuts.h"
#include "shell/settings_form.h"
#include "shell/shutdown_command.h"
#include "toolkit/system_tray_icon.h"

#include <QApplication>
#include <QPalette>

#include <chrono>
#include <cstdio>
#include <thread>

namespace hooks {

void empty_process_table() { ::empty_process_table(); }
bool tasks_page_supported() {
    platform::PLATFORM_FAMILY family;
    return platform::query_platform_family(family) && family == platform::PLATFORM_FAMILY::nt;
}
void task_timer_tick(TTM *form) { tasks_page_refresh(form->pages, form->sheet2, form->pgrid); }

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
    ::fill_shortcut_grid(form->grid);
    prepare_tray_menu_icons();
}

void wait_grid_idle() {
    while (grid_busy)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void scan_windows_now(TTM *form) {
    take_grid_busy();
    scan_windows_into_grid(form->grid);
    release_grid_busy();
}
void scan_windows_on_page(TTM *form) { scan_windows_into_grid(form->grid); }
void scan_windows_on_timer(TTM *form) { scan_windows_into_grid(form->grid); }
void connect_page_commands(TTM *form) { connect_shortcuts_page(form); }
void start_program_hotkeys(TTM *form) { ::start_program_hotkeys(form); }
void stop_program_hotkeys() { ::stop_program_hotkeys(); }
void program_hotkey(TTM *, int id) { program_hotkey_pressed(id); }
void tray_menu_popup(TTM *form) {
    ::tray_menu_popup({form->PopupMenu1, form->N4, form->N1, form->N25, form->N2, form->N14, form->N3,
                       form->N27, form->N28, &form->pimages, &form->defaultlist, &form->Image1},
                      icons_path);
}
void change_icon(TTM *form) { change_icon_command(form->grid, icons_path, form); }

void restore_priorities(bool may_ask) {
    const int failed = ::restore_priorities();
    if (failed <= 0)
        return;
    if (!may_ask)
        std::fprintf(stderr, "vorkel: %s\n", restore_failure_text(failed).c_str());
    else if (TM)
        platform::message_box(TM, restore_failure_text(failed), "Priority warning",
                              platform::MB_OK | platform::MB_ICONWARNING);
}
void rescue_hotkey(TTM *form, int) {
    rescue_processes(form); // declined: only the window comes up
    form->N1Click();
}
bool single_process_window_open() { return one_process_windows_open() > 0; }
void close_all_single_process_windows() { close_all_process_windows(); }

void close_logger_thread() { ::close_logger_thread(); }
void stop_global_logging() { ::stop_global_logging(); }

void show_settings(TTM *form) { ::show_settings(form->grid, form->settings_targets()); }
void shutdown_command(TTM *form) { N14Click(form); }

} // namespace hooks
