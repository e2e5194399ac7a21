// Hotkey words as stored in desktop entries: any text parses without
// reading past it; a word that parses is written and parses back to
// itself; every word's text and name are well formed.
#include "catalogue/hotkey_keys.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (const auto word = parse_hotkey_word(text))
        FUZZ_CHECK(parse_hotkey_word(hotkey_word_text(*word)) == word);
    if (size >= 2) {
        const auto word = static_cast<std::uint16_t>(data[0] | data[1] << 8);
        const std::string written = hotkey_word_text(word);
        FUZZ_CHECK(written.size() == 6 && written.compare(0, 2, "0x") == 0);
        FUZZ_CHECK(parse_hotkey_word(written) == word);
        FUZZ_CHECK(!hotkey_word_name(word).empty() || word == 0);
        if (hotkey_word_usable(word))
            FUZZ_CHECK((word & 0xFF) != 0 && (word >> 8 & (HOTKEY_CONTROL | HOTKEY_ALT)) != 0);
    }
    return 0;
}
