# The layers of src/ and what each may include. Read by CMakeLists.txt to
# make one library per layer, and by check_layers.cmake to fail the build
# when a file reaches a layer above its own.
#
#   core      pure code: bytes and records in, bytes and records out; no Qt,
#             no X, no operating-system header
#   platform  operating-system services: src/platform/*.h, Linux in
#             src/platform/linux/, Qt-backed code that is not Linux-specific
#             in src/platform/qt/
#   common    file and lock helpers and process-wide flags (src/common/)
#   toolkit   widgets (src/toolkit/)
#   catalogue, monitor, logging   the pages and their machinery
#   shell     the main window, settings and the program's entry point
#
# Every file belongs to its folder's layer, except the pure files listed in
# vorkel_core_files: they stay beside the code that uses them and build into
# vorkel_core. A new pure file is added to this list.

set(vorkel_core_files
    catalogue/catalogue_file_format.cpp catalogue/catalogue_file_format.h
    catalogue/command_line.cpp catalogue/command_line.h
    catalogue/icon_file_format.cpp catalogue/icon_file_format.h
    catalogue/icon_store_format.cpp catalogue/icon_store_format.h
    catalogue/link_map.h
    logging/global_stat_file.cpp logging/global_stat_file.h
    logging/process_log_line.cpp logging/process_log_line.h
    logging/stat_texts.cpp logging/stat_texts.h
    monitor/cpu_load.cpp monitor/cpu_load.h
    monitor/perf_process_block.cpp monitor/perf_process_block.h
    monitor/perf_walk.cpp monitor/perf_walk.h
    monitor/process_info.h
    monitor/process_key.h
    monitor/process_table_sync.cpp monitor/process_table_sync.h
    monitor/status_texts.cpp monitor/status_texts.h
    monitor/task_columns.cpp monitor/task_columns.h
    monitor/task_order.cpp monitor/task_order.h
    monitor/tray_bitmap.cpp monitor/tray_bitmap.h
    platform/linux/perflib_block.cpp platform/linux/perflib_block.h
    platform/linux/proc_meminfo.cpp platform/linux/proc_meminfo.h
    platform/linux/proc_parse.cpp platform/linux/proc_parse.h
    platform/linux/process_name.cpp platform/linux/process_name.h
    platform/linux/status_notifier_data.cpp platform/linux/status_notifier_data.h
    platform/linux/tray_picture.cpp platform/linux/tray_picture.h
    platform/memory_status.h
    platform/perf_data.h
    platform/process_details.h
    shell/column_ini.cpp shell/column_ini.h
    shell/docking.cpp shell/docking.h
    shell/settings_record.cpp shell/settings_record.h
    shell/start_options.cpp shell/start_options.h
    toolkit/slider_math.cpp toolkit/slider_math.h)

# The layers each layer may include, itself first.
set(vorkel_layer_core core)
set(vorkel_layer_platform platform core)
set(vorkel_layer_common common platform core)
set(vorkel_layer_toolkit toolkit common platform core)
set(vorkel_layer_catalogue catalogue toolkit common platform core)
set(vorkel_layer_monitor monitor toolkit common platform core)
set(vorkel_layer_logging logging monitor toolkit common platform core)
set(vorkel_layer_shell shell logging catalogue monitor toolkit common platform core)

# The layer of a file named relative to src/ (e.g. "catalogue/launcher.h").
function(vorkel_layer_of file out)
  list(FIND vorkel_core_files "${file}" at)
  if(NOT at EQUAL -1)
    set(${out} core PARENT_SCOPE)
  else()
    string(REGEX REPLACE "/.*" "" folder "${file}")
    set(${out} ${folder} PARENT_SCOPE)
  endif()
endfunction()

