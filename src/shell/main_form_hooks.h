// The calls the main window makes into the other subsystems, gathered in
// one place so the window's sequences read as steps. Each forwards to the
// subsystem that owns the work.
//
// GUI thread, except where a line says otherwise.
#pragma once

#include <QString>

#include <functional>
#include <string>

class TTM;

namespace hooks {

// Process table and Tasks page.
void empty_process_table();
bool tasks_page_supported();
void task_timer_tick(TTM *form);

// CPU meter.
void reset_cpu_history();
void create_tray_images();
void destroy_tray_images();
// The tray icon shows the bitmaps as they are now (the initial icon).
void show_current_tray_picture();
// From now on every new picture of the sampler goes straight to the tray
// icon, drawn on the sampler thread; false stops that.
void send_tray_pictures(bool on);
void cpu_sampler_thread(); // runs on the sampler thread
void status_texts(QString texts[3]);

// Catalogue.
void load_catalogue(const std::string &path);
void fill_shortcut_grid(TTM *form);
void wait_grid_idle();
void scan_windows_now(TTM *form);      // F5
void scan_windows_on_page(TTM *form);  // "Shortcuts" selected
void scan_windows_on_timer(TTM *form); // update_list_timer
void connect_page_commands(TTM *form);
void tray_menu_popup(TTM *form);
// Program hotkeys taken from desktop entries; a press of one of their ids.
void start_program_hotkeys(TTM *form);
void stop_program_hotkeys();
void program_hotkey(TTM *form, int id);
void change_icon(TTM *form); // "Change icon" on the current grid row

// Process commands and their windows.
// Processes left at a lower priority are told in a box, or, when the
// session ends and nobody may answer one, in a line on standard error.
void restore_priorities(bool may_ask);
void rescue_hotkey(TTM *form, int id);
bool single_process_window_open();
void close_all_single_process_windows();

// Logging.
void close_logger_thread();
void stop_global_logging();

// Dialogs.
void show_settings(TTM *form);
void shutdown_command(TTM *form);

} // namespace hooks
