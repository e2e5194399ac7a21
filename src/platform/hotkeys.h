// System-wide hotkeys.
//
// Keys and modifiers use the Windows codes the rest of the program stores
// (virtual-key codes, MOD_* flags), so hotkey words read back from
// shortcut files mean the same everywhere. On X11 a hotkey is a key grab on
// the root window, taken for every combination of CapsLock and NumLock so
// that it works whatever their state.
//
// Threads: GUI thread only. The handler runs on the GUI thread.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

constexpr unsigned MOD_ALT = 0x1;
constexpr unsigned MOD_CONTROL = 0x2;
constexpr unsigned MOD_SHIFT = 0x4;
constexpr unsigned MOD_WIN = 0x8;

constexpr unsigned VK_BACK = 0x08;

// Registers hotkey id. False when the key cannot be grabbed (another
// program holds it, no display, unknown key), id is already registered, or
// the same combination is registered under another id.
bool register_hotkey(int id, unsigned modifiers, unsigned virtual_key);

// Releases hotkey id; false when it was not registered.
bool unregister_hotkey(int id);

// Receives the id of each hotkey pressed.
void set_hotkey_handler(std::function<void(int id)> handler);

// The X keysym for a Windows virtual-key code, 0 when there is none.
// (Pure; exposed for tests.)
unsigned long keysym_for_virtual_key(unsigned virtual_key);

} // namespace platform
