#include "platform/hotkeys.h"

#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_pump.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <map>

namespace platform {

namespace {

struct grab {
    unsigned keycode;
    unsigned mods; // X modifier mask without the lock modifiers
};

std::map<int, grab> g_grabs;
std::function<void(int)> g_handler;
int g_event_token = 0;

unsigned num_lock_mask(Display *d) {
    unsigned mask = 0;
    XModifierKeymap *map = XGetModifierMapping(d);
    if (!map)
        return 0;
    KeyCode num = XKeysymToKeycode(d, XK_Num_Lock);
    for (int m = 0; m < 8 && num; ++m)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[m * map->max_keypermod + k] == num)
                mask = 1u << m;
    XFreeModifiermap(map);
    return mask;
}

unsigned x_modifiers(unsigned mods) {
    unsigned x = 0;
    if (mods & MOD_ALT)
        x |= Mod1Mask;
    if (mods & MOD_CONTROL)
        x |= ControlMask;
    if (mods & MOD_SHIFT)
        x |= ShiftMask;
    if (mods & MOD_WIN)
        x |= Mod4Mask;
    return x;
}

// The four lock states a grab must cover.
template <typename F> void for_each_lock_state(Display *d, F f) {
    unsigned num = num_lock_mask(d);
    unsigned states[4] = {0, LockMask, num, num | LockMask};
    for (int i = 0; i < 4; ++i) {
        if (i >= 2 && !num)
            break;
        f(states[i]);
    }
}

void ensure_event_handler() {
    if (g_event_token)
        return;
    g_event_token = x11::add_event_handler([](XEvent &ev) {
        if (ev.type != KeyPress)
            return false;
        Display *d = x11::display();
        unsigned ignored = LockMask | num_lock_mask(d) | Mod2Mask | Mod3Mask | Mod5Mask;
        unsigned state = ev.xkey.state & ~ignored;
        for (auto &[id, g] : g_grabs) {
            if (g.keycode == ev.xkey.keycode && g.mods == state) {
                if (g_handler)
                    g_handler(id);
                return true;
            }
        }
        return false;
    });
    x11::attach_to_event_loop();
}

} // namespace

unsigned long keysym_for_virtual_key(unsigned vk) {
    if (vk >= 'A' && vk <= 'Z')
        return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9')
        return XK_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x87) // F1..F24
        return XK_F1 + (vk - 0x70);
    if (vk >= 0x60 && vk <= 0x69) // numeric keypad 0..9
        return XK_KP_0 + (vk - 0x60);
    switch (vk) {
    case 0x08: return XK_BackSpace;
    case 0x09: return XK_Tab;
    case 0x0D: return XK_Return;
    case 0x13: return XK_Pause;
    case 0x1B: return XK_Escape;
    case 0x20: return XK_space;
    case 0x21: return XK_Prior;
    case 0x22: return XK_Next;
    case 0x23: return XK_End;
    case 0x24: return XK_Home;
    case 0x25: return XK_Left;
    case 0x26: return XK_Up;
    case 0x27: return XK_Right;
    case 0x28: return XK_Down;
    case 0x2C: return XK_Print;
    case 0x2D: return XK_Insert;
    case 0x2E: return XK_Delete;
    case 0x6A: return XK_KP_Multiply;
    case 0x6B: return XK_KP_Add;
    case 0x6C: return XK_KP_Separator;
    case 0x6D: return XK_KP_Subtract;
    case 0x6E: return XK_KP_Decimal;
    case 0x6F: return XK_KP_Divide;
    case 0x90: return XK_Num_Lock;
    case 0x91: return XK_Scroll_Lock;
    case 0xBA: return XK_semicolon;
    case 0xBB: return XK_equal;
    case 0xBC: return XK_comma;
    case 0xBD: return XK_minus;
    case 0xBE: return XK_period;
    case 0xBF: return XK_slash;
    case 0xC0: return XK_grave;
    case 0xDB: return XK_bracketleft;
    case 0xDC: return XK_backslash;
    case 0xDD: return XK_bracketright;
    case 0xDE: return XK_apostrophe;
    default: return 0;
    }
}

bool register_hotkey(int id, unsigned modifiers, unsigned virtual_key) {
    Display *d = x11::display();
    if (!d || g_grabs.count(id))
        return false;
    KeySym sym = keysym_for_virtual_key(virtual_key);
    if (!sym)
        return false;
    KeyCode code = XKeysymToKeycode(d, sym);
    if (!code)
        return false;
    unsigned mods = x_modifiers(modifiers);
    // The X server lets a client grab its own key twice; the second grab
    // would silently take the key from the first.
    for (const auto &[other, g] : g_grabs)
        if (g.keycode == code && g.mods == mods)
            return false;
    Window root = DefaultRootWindow(d);
    bool ok;
    {
        // Conflicts (BadAccess: another client holds the key) arrive
        // asynchronously; the trap syncs and sees them.
        x11::error_trap trap;
        for_each_lock_state(d, [&](unsigned lock) {
            XGrabKey(d, code, mods | lock, root, True, GrabModeAsync, GrabModeAsync);
        });
        ok = !trap.failed();
    }
    if (!ok) {
        x11::error_trap trap;
        for_each_lock_state(d, [&](unsigned lock) { XUngrabKey(d, code, mods | lock, root); });
        return false;
    }
    g_grabs[id] = grab{code, mods};
    ensure_event_handler();
    return true;
}

bool unregister_hotkey(int id) {
    auto it = g_grabs.find(id);
    Display *d = x11::display();
    if (it == g_grabs.end() || !d)
        return false;
    x11::error_trap trap;
    for_each_lock_state(d, [&](unsigned lock) {
        XUngrabKey(d, it->second.keycode, it->second.mods | lock, DefaultRootWindow(d));
    });
    g_grabs.erase(it);
    XFlush(d);
    return true;
}

void set_hotkey_handler(std::function<void(int)> handler) { g_handler = std::move(handler); }

} // namespace platform
