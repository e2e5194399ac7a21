// The floor under the tray meter's cost: the least any meter must do that
// shows the same thing at the same period, done with nothing around it.
// Every 100 ms it reads /proc/stat once through a descriptor kept open,
// turns each processor's idle time into its load against the elapsed
// time (in whole milliseconds, as the meter's snapshot time counts),
// averages the last three readings, and when the meter's fill (in well
// bytes, as the icon draws it) has changed sends one 1 x 1 put-image to a
// window of its own docked in the system tray, and flushes. No toolkit, no
// picture, no locks. bench/tray_cpu_use.sh runs it in the same session as
// Vorkel and measures it the same way.
//
// The window is docked because a put-image into a tray's icon costs the X
// server more than one into a top-level window (about 100 against 60 us
// under icewm); without a tray it is a small top-level window.
//
// Usage: tray_meter_floor [seconds] (default: until ended). At its end it
// prints "cycles N pictures M".
#include "monitor/cpu_load.h"
#include "monitor/tray_bitmap.h"
#include "platform/linux/proc_files.h"
#include "platform/linux/proc_parse.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

constexpr std::size_t max_cpus = 1024;

// The snapshot time in ns, cut to whole milliseconds.
std::uint64_t snapshot_ns() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000ULL +
           static_cast<std::uint64_t>(t.tv_nsec) / 1000000 * 1000000;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name) {
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

// Asks the tray of the first screen, if one runs, to embed window (the
// XEmbed info asks it to map the window); else maps it where it is.
void dock(xcb_connection_t *c, xcb_window_t window) {
    const xcb_atom_t info = atom(c, "_XEMBED_INFO");
    const std::uint32_t embed[2] = {0, 1}; // version 0, mapped
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, info, info, 32, 2, embed);
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, "_NET_SYSTEM_TRAY_S0")), nullptr);
    if (owner && owner->owner != XCB_WINDOW_NONE) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = owner->owner;
        ev.type = atom(c, "_NET_SYSTEM_TRAY_OPCODE");
        ev.data.data32[0] = XCB_CURRENT_TIME;
        ev.data.data32[1] = 0; // dock request
        ev.data.data32[2] = window;
        xcb_send_event(c, 0, owner->owner, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&ev));
    } else {
        xcb_map_window(c, window);
    }
    std::free(owner);
}

} // namespace

int main(int argc, char **argv) {
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    prctl(PR_SET_NAME, "meter_floor");
    const int stat_fd = open("/proc/stat", O_RDONLY | O_CLOEXEC);
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (stat_fd < 0 || xcb_connection_has_error(c)) {
        std::fprintf(stderr, "tray_meter_floor: no /proc/stat or no display\n");
        return 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->black_pixel, 1}; // back pixel, override-redirect
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 16, 16, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    dock(c, window);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_flush(c);

    static char text[16384];
    std::uint64_t idle_before[max_cpus] = {}, idle_now[max_cpus] = {};
    std::uint64_t total_idle = 0, time_before = 0;
    std::size_t cpus = 0;
    int shown = -1;
    long cycles = 0, pictures = 0;
    const long last_cycle = seconds > 0 ? seconds * 10 : -1;
    for (; cycles != last_cycle; ++cycles) {
        const std::uint64_t time_now = snapshot_ns();
        const ssize_t n = pread(stat_fd, text, sizeof text, 0);
        double sum = 0;
        std::size_t read = 0;
        if (n > 0 &&
            platform::parse_proc_stat_idle(std::string_view(text, static_cast<std::size_t>(n)), total_idle,
                                           idle_now, max_cpus, read) &&
            read > 0) {
            if (read == cpus && time_now > time_before)
                for (std::size_t i = 0; i < read; ++i)
                    sum += 1.0 -
                           static_cast<double>(platform::proc_ticks_to_100ns(idle_now[i] - idle_before[i])) /
                               static_cast<double>((time_now - time_before) / 100);
            std::copy(idle_now, idle_now + read, idle_before);
            cpus = read;
            time_before = time_now;
        }
        const int fill = tray_bar_bytes(
            average_load(combined_load(sum, static_cast<int>(std::max<std::size_t>(1, cpus)))));
        if (fill != shown) {
            const std::uint32_t pixel = static_cast<std::uint32_t>(fill) * 0x010101U;
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, 1, 1,
                          static_cast<std::int16_t>(fill % 16), 0, 0, screen->root_depth, 4,
                          reinterpret_cast<const std::uint8_t *>(&pixel));
            xcb_flush(c);
            shown = fill;
            ++pictures;
        }
        const timespec period{0, 100000000L};
        nanosleep(&period, nullptr);
    }
    std::printf("cycles %ld pictures %ld\n", cycles, pictures);
    xcb_disconnect(c);
    close(stat_fd);
    return 0;
}
