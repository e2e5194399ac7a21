// Desktop entries as Vorkel writes and reads them: any text reads without
// reading past it, and an entry built from what was read reads back the
// same; any argument vector survives the Exec quoting.
#include "catalogue/desktop_entry.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    DESKTOP_ENTRY_STRUCT entry;
    if (parse_desktop_entry(text, entry)) {
        const std::string built = build_desktop_entry(entry);
        DESKTOP_ENTRY_STRUCT again;
        FUZZ_CHECK(parse_desktop_entry(built, again));
        FUZZ_CHECK(again.name == entry.name && again.comment == entry.comment);
        FUZZ_CHECK(again.exec == entry.exec && again.hotkey == entry.hotkey);
    }
    // The same bytes, cut at zero bytes, as an argument vector.
    std::vector<std::string> argv;
    std::string current;
    for (char c : text) {
        if (c == '\0') {
            argv.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    argv.push_back(current);
    if (!argv.front().empty())
        FUZZ_CHECK(split_exec_line(unescape_value(escape_value(build_exec_line(argv)))) == argv);
    return 0;
}
