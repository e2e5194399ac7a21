#include "other_client_grab.h"

#include <initializer_list>

#include <X11/Xlib.h>

other_client_grab::other_client_grab(const char *keysym_name) {
    Display *d = XOpenDisplay(nullptr);
    display_ = d;
    if (!d)
        return;
    KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym_name));
    // Every lock combination, as Vorkel grabs, so each of its grabs meets one.
    for (unsigned lock : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        XGrabKey(d, code, ControlMask | Mod1Mask | lock, DefaultRootWindow(d), True, GrabModeAsync,
                 GrabModeAsync);
    XSync(d, False);
    ok_ = code != 0;
}

other_client_grab::~other_client_grab() {
    if (display_)
        XCloseDisplay(static_cast<Display *>(display_));
}
