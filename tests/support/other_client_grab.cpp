#include "other_client_grab.h"

#include <initializer_list>

#include <X11/Xlib.h>

namespace {

bool refused = false;
int note_refusal(Display *, XErrorEvent *e) {
    refused = refused || e->error_code == BadAccess;
    return 0;
}

} // namespace

other_client_grab::other_client_grab(const char *keysym_name, unsigned modifiers) {
    Display *d = XOpenDisplay(nullptr);
    display_ = d;
    if (!d)
        return;
    KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym_name));
    refused = false;
    auto *old = XSetErrorHandler(note_refusal);
    // Every lock combination, as Vorkel grabs, so each of its grabs meets one.
    for (unsigned lock : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        XGrabKey(d, code, modifiers | lock, DefaultRootWindow(d), True, GrabModeAsync, GrabModeAsync);
    XSync(d, False);
    XSetErrorHandler(old);
    ok_ = code != 0 && !refused;
}

other_client_grab::~other_client_grab() {
    if (display_)
        XCloseDisplay(static_cast<Display *>(display_));
}

int other_client_grab::presses() {
    auto *d = static_cast<Display *>(display_);
    if (!d)
        return 0;
    XSync(d, False);
    while (XPending(d)) {
        XEvent e;
        XNextEvent(d, &e);
        presses_ += e.type == KeyPress;
    }
    return presses_;
}

bool other_client_grab::keyboard_held_elsewhere() {
    auto *d = static_cast<Display *>(display_);
    if (!d)
        return false;
    const int result =
        XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (result == GrabSuccess)
        XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    return result == AlreadyGrabbed;
}
