// The rescue hotkey's command and the priority restore that undoes it.
//
// The rescue lifts Vorkel to the most favourable nice value it may set and
// drops every other listed process to Low (nice 19), so that Vorkel stays
// usable while something hogs the machine. Three things are kept from
// harm: the X server and the window manager keep their priority (lowered,
// they would freeze the very desktop the user is rescuing), and so do the
// kernel's own threads. Each process's nice values (per thread) are
// recorded before the first rescue changes them; a later press while the
// rescue is in force keeps those records. The restore, run when the main
// window closes, puts each back to what it had (0, Normal, for most); a
// process started during the rescue that inherited Low from a lowered
// process goes back to that process's recorded value (Normal when there is
// none). Programs Vorkel starts meanwhile begin at the priority Vorkel had
// before the rescue, not at the one it took.
//
// An unprivileged user cannot lower a nice value again (RLIMIT_NICE,
// CAP_SYS_NICE): when Vorkel could not give the processes their priority
// back, the rescue asks first, and nothing is lowered unless the user
// agrees. The restore counts the processes it could not put back.
//
// Threads: GUI thread only (the X server and window manager are found over
// Vorkel's display connection). Both walk process_table under
// "task_time_mutex" after sync_process_table; no box is open while they
// hold it.
#pragma once

#include <string>

class QWidget;

// Sets rescue_mode; Vorkel to its most favourable nice; every other
// process of process_table to Low. When the rescue is not in force yet and
// a process it would lower could not be given its value back, first asks
// (a Yes/No box owned by owner, No the default); on No nothing changes and
// false is returned. Again when already rescued: the same end state, the
// values recorded before the first rescue are kept.
bool rescue_processes(QWidget *owner);

// Puts back what the rescue changed and clears rescue_mode. Returns how
// many processes could not be put back (not allowed); processes that have
// ended count as done.
int restore_priorities();

// The message shown after a restore that left count processes (> 0) at a
// lower priority.
std::string restore_failure_text(int count);
