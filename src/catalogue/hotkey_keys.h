// Hotkey words and the keys they are made of. Pure functions.
//
// A hotkey word is 16 bits: the low byte a virtual-key code (the Windows
// numbering the rest of the program stores: letters 0x41-0x5A, keypad
// digits 0x60-0x69, keypad operators 0x6A-0x6F, F1-F12 0x70-0x7B), the high
// byte the modifier flags below. 0 means no hotkey. In a desktop entry the
// word is written as "0x" and four upper-case hexadecimal digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr unsigned HOTKEY_SHIFT = 0x01;
constexpr unsigned HOTKEY_CONTROL = 0x02;
constexpr unsigned HOTKEY_ALT = 0x04;

// Vorkel's own rescue key, Ctrl+Shift+Backspace, as a word.
constexpr std::uint16_t RESCUE_HOTKEY_WORD = (HOTKEY_CONTROL | HOTKEY_SHIFT) << 8 | 0x08;

// Virtual-key codes the Hotkeys dialog treats specially.
constexpr unsigned VK_ESCAPE_KEY = 0x1B;
constexpr unsigned VK_SHIFT_KEY = 0x10;
constexpr unsigned VK_CONTROL_KEY = 0x11;
constexpr unsigned VK_ALT_KEY = 0x12;

// The virtual-key code of a Qt key (Qt::Key value) pressed with or
// without the keypad modifier; 0 for keys outside the table. Keypad digits
// and operators take their keypad codes only when keypad is true; the main
// row's digits are 0x30-0x39.
unsigned virtual_key_of_qt_key(int qt_key, bool keypad);

// True for the keys the Hotkeys dialog captures: codes that read as an
// ASCII letter and are not F1-F12, i.e. 0x41-0x5A and 0x61-0x6F.
bool is_capture_key(unsigned virtual_key);

// The word for a key byte and the modifiers held.
std::uint16_t make_hotkey_word(unsigned key, bool ctrl, bool shift, bool alt);

// "0x0645" for 0x0645.
std::string hotkey_word_text(std::uint16_t word);

// The word of a stored text: "0x" with one to four hexadecimal digits, or
// a decimal number up to 65535, blanks around allowed. Empty for anything
// else (text that is not a number, a value out of range).
std::optional<std::uint16_t> parse_hotkey_word(std::string_view text);

// The word's modifiers as the system hotkey flags of platform/hotkeys.h
// (MOD_SHIFT, MOD_CONTROL, MOD_ALT).
unsigned hotkey_platform_modifiers(std::uint16_t word);

// A word is given to the system only when it names a key and holds Ctrl or
// Alt: a bare letter (or Shift+letter) taken for the whole desktop would
// stop that letter from being typed anywhere.
bool hotkey_word_usable(std::uint16_t word);

// The combination as a person reads it: "Ctrl+Alt+E", "Ctrl+Num 5",
// "Shift+F5", "Alt+key 0x91".
std::string hotkey_word_name(std::uint16_t word);
