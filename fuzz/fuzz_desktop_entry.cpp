// Desktop entries (autostart and hotkey entries) as Vorkel reads them
// through GLib's key files: any text reads without reading past it, and an
// entry built from what was read reads back the same.
#include "catalogue/desktop_entry.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    DESKTOP_ENTRY_STRUCT entry;
    if (!parse_desktop_entry(text, entry))
        return 0;
    FUZZ_CHECK(entry.hotkey >= -1 && entry.hotkey <= 0xFFFF);
    const auto built = build_desktop_entry(entry);
    if (!built)
        return 0; // a value the key-file writer refuses; nothing is written
    DESKTOP_ENTRY_STRUCT again;
    FUZZ_CHECK(parse_desktop_entry(*built, again));
    FUZZ_CHECK(again.type == "Application" && again.written_by_vorkel);
    FUZZ_CHECK(again.name == entry.name && again.comment == entry.comment);
    FUZZ_CHECK(again.exec == entry.exec && again.no_display == entry.no_display);
    // A word that was no number, or 0, is left out of the entry written.
    FUZZ_CHECK(again.hotkey == std::max(entry.hotkey, 0));
    // And what was written once is written the same again.
    FUZZ_CHECK(build_desktop_entry(again) == built);
    return 0;
}
