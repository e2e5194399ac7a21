// The rescue hotkey's command and the priority restore that undoes it.
//
// The rescue lifts Vorkel to the most favourable nice value it may set and
// drops every other listed process to Low (nice 19), so that Vorkel stays
// usable while something hogs the machine. Three things are kept from
// harm: the X server and the window manager keep their priority (lowered,
// they would freeze the very desktop the user is rescuing), and so do the
// kernel's own threads. Each process's nice values (per thread) are
// recorded before the first rescue changes them; the restore, run when the
// main window closes, puts each back to what it had (0, Normal, for most),
// and a process started during the rescue that inherited Low goes to
// Normal. An unprivileged user cannot lower a nice value again (RLIMIT_NICE,
// CAP_SYS_NICE): the restore counts the processes it could not put back.
//
// Threads: GUI thread only (the X server and window manager are found over
// Vorkel's display connection). Both walk process_table under
// "task_time_mutex" after sync_process_table.
#pragma once

#include <string>

// Sets rescue_mode; Vorkel to its most favourable nice; every other
// process of process_table to Low. Again when already rescued: the same
// end state, the values recorded before the first rescue are kept.
void rescue_processes();

// Puts back what the rescue changed and clears rescue_mode. Returns how
// many processes could not be put back (not allowed); processes that have
// ended count as done.
int restore_priorities();

// The message shown after a restore that left count processes (> 0) at a
// lower priority.
std::string restore_failure_text(int count);
