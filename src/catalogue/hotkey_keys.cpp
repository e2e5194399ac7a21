#include "catalogue/hotkey_keys.h"

#include "platform/hotkeys.h"

#include <QtCore/qnamespace.h>

#include <cstdio>

unsigned virtual_key_of_qt_key(int qt_key, bool keypad) {
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)
        return static_cast<unsigned>(qt_key); // 0x41-0x5A in both numberings
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
        return static_cast<unsigned>(qt_key - Qt::Key_0) + (keypad ? 0x60 : 0x30);
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24)
        return static_cast<unsigned>(qt_key - Qt::Key_F1) + 0x70;
    if (keypad) {
        switch (qt_key) {
        case Qt::Key_Asterisk: return 0x6A;
        case Qt::Key_Plus: return 0x6B;
        case Qt::Key_Comma: return 0x6C; // the keypad's separator
        case Qt::Key_Minus: return 0x6D;
        case Qt::Key_Period: return 0x6E;
        case Qt::Key_Slash: return 0x6F;
        default: break;
        }
    }
    switch (qt_key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: return 0x09;
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Clear: return 0x0C;
    case Qt::Key_Return: return 0x0D;
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return VK_SHIFT_KEY;
    case Qt::Key_Control: return VK_CONTROL_KEY;
    case Qt::Key_Alt: return VK_ALT_KEY;
    case Qt::Key_AltGr: return VK_ALT_KEY;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return VK_ESCAPE_KEY;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_Meta: return 0x5B;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_Semicolon: return 0xBA;
    case Qt::Key_Equal: return 0xBB;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Period: return 0xBE;
    case Qt::Key_Slash: return 0xBF;
    case Qt::Key_QuoteLeft: return 0xC0;
    case Qt::Key_BracketLeft: return 0xDB;
    case Qt::Key_Backslash: return 0xDC;
    case Qt::Key_BracketRight: return 0xDD;
    case Qt::Key_Apostrophe: return 0xDE;
    default: return 0;
    }
}

bool is_capture_key(unsigned k) {
    bool letter = (k >= 'A' && k <= 'Z') || (k >= 'a' && k <= 'z');
    return letter && !(k >= 0x70 && k <= 0x7B);
}

std::uint16_t make_hotkey_word(unsigned key, bool ctrl, bool shift, bool alt) {
    unsigned mods = (ctrl ? HOTKEY_CONTROL : 0) | (shift ? HOTKEY_SHIFT : 0) | (alt ? HOTKEY_ALT : 0);
    return static_cast<std::uint16_t>((mods << 8) | (key & 0xff));
}

std::string hotkey_word_text(std::uint16_t word) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(word));
    return buf;
}

std::optional<std::uint16_t> parse_hotkey_word(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
        if (text.size() > 4)
            return std::nullopt;
    }
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * base + digit;
    }
    if (value > 0xffff)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

unsigned hotkey_platform_modifiers(std::uint16_t word) {
    unsigned flags = word >> 8;
    return (flags & HOTKEY_SHIFT ? platform::MOD_SHIFT : 0) |
           (flags & HOTKEY_CONTROL ? platform::MOD_CONTROL : 0) |
           (flags & HOTKEY_ALT ? platform::MOD_ALT : 0);
}

bool hotkey_word_usable(std::uint16_t word) {
    return (word & 0xff) != 0 && ((word >> 8) & (HOTKEY_CONTROL | HOTKEY_ALT)) != 0;
}

std::string hotkey_word_name(std::uint16_t word) {
    unsigned flags = word >> 8, key = word & 0xff;
    std::string out;
    if (flags & HOTKEY_CONTROL)
        out += "Ctrl+";
    if (flags & HOTKEY_SHIFT)
        out += "Shift+";
    if (flags & HOTKEY_ALT)
        out += "Alt+";
    char buf[16];
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        std::snprintf(buf, sizeof buf, "%c", static_cast<char>(key));
    else if (key >= 0x60 && key <= 0x69)
        std::snprintf(buf, sizeof buf, "Num %u", key - 0x60);
    else if (key >= 0x6A && key <= 0x6F)
        std::snprintf(buf, sizeof buf, "Num %c", "*+,-./"[key - 0x6A]);
    else if (key >= 0x70 && key <= 0x87)
        std::snprintf(buf, sizeof buf, "F%u", key - 0x70 + 1);
    else if (key == 0x08)
        std::snprintf(buf, sizeof buf, "Backspace");
    else
        std::snprintf(buf, sizeof buf, "key 0x%02X", key);
    return out + buf;
}
