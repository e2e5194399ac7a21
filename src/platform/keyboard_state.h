// Which keys are held down right now, whatever window has the focus.
//
// Threads: GUI thread only (it uses Vorkel's display connection).
#pragma once

namespace platform {

// Virtual-key codes of the left and right modifier keys.
constexpr unsigned VK_LSHIFT = 0xA0;
constexpr unsigned VK_RSHIFT = 0xA1;
constexpr unsigned VK_LCONTROL = 0xA2;
constexpr unsigned VK_RCONTROL = 0xA3;
constexpr unsigned VK_LMENU = 0xA4; // left Alt
constexpr unsigned VK_RMENU = 0xA5; // right Alt (AltGr counts as right Alt)

// True while the key is held down. False for other codes and when there
// is no display.
bool key_down(unsigned virtual_key);

} // namespace platform
