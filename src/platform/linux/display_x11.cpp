#include "platform/display.h"

#include <X11/Xlib.h>

namespace platform {

bool display_available() {
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return false;
    XCloseDisplay(d);
    return true;
}

} // namespace platform
