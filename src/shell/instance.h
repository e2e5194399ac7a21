// The single-instance rule and the two messages copies exchange.
//
// Threads: GUI thread, before the event loop runs.
#pragma once

#include <cstdint>
#include <string>

// The title a copy derives from its executable before it sets "Vorkel":
// the file name without its folder, cut at its first '.', every character
// after the first in lower case ("VORKEL.EXE" -> "Vorkel"). Pure.
std::string default_title(const std::string &executable_path);

// The guard and instance mutex names for a default title. Pure.
std::string guard_mutex_name(const std::string &title);    // title + ".OneInstance32.CriticalSection"
std::string instance_mutex_name(const std::string &title); // title + "OneInstance32.Default"

// True when no other copy with this executable's default title holds the
// instance mutex in this desktop session (display). The first copy keeps
// the instance mutex until it ends (the kernel frees it however the
// process ends). Any failure other than the mutex being held gives true.
bool is_first_instance();

// Registers "ACTIVATE_TASK_LIST_IN_VORKEL" and "CLOSE_ALL_WINDOWS_IN_VORKEL".
void register_messages();
std::uint32_t get_activate_msg();
std::uint32_t get_close_all_msg();
