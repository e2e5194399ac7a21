#include "catalogue/hotkey_keys.h"
#include "platform/hotkeys.h"

#include <gtest/gtest.h>

#include <QtCore/qnamespace.h>

TEST(HotkeyKeys, QtKeysMapToVirtualKeyCodes) {
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_E, true), 0x45u);
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_5, false), 0x35u) << "main row";
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_5, true), 0x65u) << "keypad";
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_Slash, true), 0x6Fu);
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_Slash, false), 0xBFu);
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_F12, false), 0x7Bu);
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_AltGr, false), VK_ALT_KEY);
    EXPECT_EQ(virtual_key_of_qt_key(Qt::Key_Eacute, false), 0u);
}

TEST(HotkeyKeys, CaptureKeysAreLettersAndTheKeypadButNotFunctionKeys) {
    for (unsigned k = 0; k < 256; ++k) {
        bool expected = (k >= 0x41 && k <= 0x5A) || (k >= 0x61 && k <= 0x6F);
        EXPECT_EQ(is_capture_key(k), expected) << std::hex << k;
    }
    EXPECT_FALSE(is_capture_key(virtual_key_of_qt_key(Qt::Key_F5, false)));
    EXPECT_FALSE(is_capture_key(virtual_key_of_qt_key(Qt::Key_7, false)));
    EXPECT_TRUE(is_capture_key(virtual_key_of_qt_key(Qt::Key_7, true)));
    EXPECT_FALSE(is_capture_key(virtual_key_of_qt_key(Qt::Key_0, true))) << "keypad 0 reads as '`'";
}

TEST(HotkeyKeys, WordsAreBuiltWrittenAndReadBack) {
    EXPECT_EQ(make_hotkey_word('E', true, false, true), 0x0645);
    EXPECT_EQ(make_hotkey_word('S', true, true, false), 0x0353);
    EXPECT_EQ(make_hotkey_word(0, true, true, true), 0x0700);
    EXPECT_EQ(make_hotkey_word(0x65, false, false, false), 0x0065);
    EXPECT_EQ(hotkey_word_text(0x0645), "0x0645");
    EXPECT_EQ(hotkey_word_text(0x006a), "0x006A");
    for (unsigned w : {0x0001u, 0x0353u, 0x0645u, 0x07FFu, 0xFFFFu})
        EXPECT_EQ(parse_hotkey_word(hotkey_word_text(static_cast<std::uint16_t>(w))), w);
    EXPECT_EQ(parse_hotkey_word("851"), 0x0353);
    EXPECT_EQ(parse_hotkey_word(" 0x645 "), 0x0645);
    EXPECT_EQ(parse_hotkey_word("0"), 0);
    for (const char *bad :
         {"", "0x", "x645", "0x12345", "65536", "12a", "-5", "0x-1", "Ctrl+E", "1e3", "0x 5"})
        EXPECT_FALSE(parse_hotkey_word(bad)) << bad;
}

TEST(HotkeyKeys, WordsTranslateToSystemModifiersAndNames) {
    EXPECT_EQ(hotkey_platform_modifiers(0x0645), platform::MOD_CONTROL | platform::MOD_ALT);
    EXPECT_EQ(hotkey_platform_modifiers(0x0153), platform::MOD_SHIFT);
    EXPECT_EQ(hotkey_platform_modifiers(0x0F53),
              platform::MOD_SHIFT | platform::MOD_CONTROL | platform::MOD_ALT);
    EXPECT_TRUE(hotkey_word_usable(0x0645));
    EXPECT_TRUE(hotkey_word_usable(0x0465));
    EXPECT_FALSE(hotkey_word_usable(0x0045)) << "a bare letter";
    EXPECT_FALSE(hotkey_word_usable(0x0145)) << "Shift and a letter";
    EXPECT_FALSE(hotkey_word_usable(0x0600)) << "no key";
    EXPECT_EQ(hotkey_word_name(0x0645), "Ctrl+Alt+E");
    EXPECT_EQ(hotkey_word_name(0x0265), "Ctrl+Num 5");
    EXPECT_EQ(hotkey_word_name(0x046A), "Alt+Num *");
    EXPECT_EQ(hotkey_word_name(0x0374), "Ctrl+Shift+F5");
    EXPECT_EQ(hotkey_word_name(0x0491), "Alt+key 0x91");
}
