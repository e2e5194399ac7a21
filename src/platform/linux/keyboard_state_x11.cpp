#include "platform/keyboard_state.h"

#include "platform/linux/x11_connection.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

namespace platform {

namespace {

// The keysyms that stand for a modifier key; a key counts when any key
// carrying one of them (in its first two levels) is down.
int key_syms(unsigned vk, KeySym out[2]) {
    switch (vk) {
    case VK_LSHIFT: out[0] = XK_Shift_L; return 1;
    case VK_RSHIFT: out[0] = XK_Shift_R; return 1;
    case VK_LCONTROL: out[0] = XK_Control_L; return 1;
    case VK_RCONTROL: out[0] = XK_Control_R; return 1;
    case VK_LMENU:
        out[0] = XK_Alt_L;
        out[1] = XK_Meta_L;
        return 2;
    case VK_RMENU:
        out[0] = XK_Alt_R;
        out[1] = XK_ISO_Level3_Shift;
        return 2;
    default: return 0;
    }
}

} // namespace

bool key_down(unsigned vk) {
    KeySym wanted[2] = {NoSymbol, NoSymbol};
    int n = key_syms(vk, wanted);
    Display *d = x11::display();
    if (!n || !d)
        return false;
    char keys[32] = {};
    XQueryKeymap(d, keys);
    for (int code = 8; code < 256; ++code) {
        if (!(keys[code / 8] & (1 << (code % 8))))
            continue;
        for (int level = 0; level < 2; ++level) {
            KeySym sym = XkbKeycodeToKeysym(d, static_cast<KeyCode>(code), 0, level);
            for (int i = 0; i < n; ++i)
                if (sym != NoSymbol && sym == wanted[i])
                    return true;
        }
    }
    return false;
}

} // namespace platform
