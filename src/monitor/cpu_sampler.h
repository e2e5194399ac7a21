// The CPU sampler: measures the total load every cpu_timer interval and
// redraws the tray meter.
//
// cpu_sampler_thread runs on its own thread; it never touches a widget:
// each new icon goes to the sink set with set_tray_icon_sink, called on
// the sampler thread while it holds "get_cpu_and_other" (the sink hands
// the picture to the tray and returns at once; it must not wait for the
// GUI thread). The sink is the one way out of the sampler for pictures:
// whatever shows the meter (an icon window, another kind of tray) is fed
// from it.
#pragma once

#include "monitor/status_texts.h"
#include "monitor/tray_pictures.h"

#include <functional>

class Adcpuusage;

// Runs while sampler_running: one cycle, then a sleep of cpu_timer_interval
// ms read anew each cycle. Sets sampler_finished as its last act. The
// caller sets sampler_running (and clears sampler_finished) before it
// starts the thread.
void cpu_sampler_thread();

// The receiver of each new tray icon: called only with a picture that
// differs from the last one it was given (a new sink gets the next
// picture whatever it is). An empty function drops them. Any thread.
void set_tray_icon_sink(std::function<void(const TRAY_ARGB &)> sink);

// One cycle without the sleep, with unit as the CPU unit: under
// "get_cpu_and_other" reads the load, smooths it into cpu_load /
// cpu_load_percent, makes the well show it (show_load_in_tray_image) and
// hands the icon to the sink when it has changed (bitmaps and sink as far
// as they exist). An error of the unit counts as load 0 for the cycle.
// Returns the smoothed load.
double cpu_sampler_cycle(Adcpuusage *unit);

// status_bar_texts from the current cpu_load_percent and a fresh memory
// reading (all 0 when memory cannot be read). Any thread.
STATUS_TEXTS current_status_texts();
