// The main window's "Logging" page handlers; the work is in logging/.
#include "logging/globalstat_form.h"
#include "logging/logging_page.h"
#include "shell/data_paths.h"
#include "shell/main_form.h"

void TTM::Button1Click() { start_logging_click(log_processes, logfile, Button1, Button2, this); }
void TTM::Button2Click() { stop_logging_click(log_processes, Button1, Button2); }
void TTM::Button3Click() { show_global_stat(statistics_file_path(), this); }
void TTM::gllogMouseUp() { gllog_mouse_up(gllog, statistics_file_path()); }
