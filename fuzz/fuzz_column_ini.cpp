// vorkel.ini: any text gives ten widths in range, the same as each key
// read on its own, and the text rewritten with new widths reads back
// exactly those widths while keeping the rest.
#include "fuzz_check.h"
#include "shell/column_ini.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const auto widths = widths_from_ini(text);
    for (int i = 0; i < column_count; ++i) {
        const int w = widths[static_cast<std::size_t>(i)];
        FUZZ_CHECK(w >= 0 && w <= 32767);
        // The one-pass reader agrees with reading each key on its own.
        FUZZ_CHECK(w == ini_read_int(text, "SETTINGS", "x" + std::to_string(i + 1), 10));
    }
    std::array<int, column_count> wanted{};
    for (int i = 0; i < column_count; ++i)
        wanted[static_cast<std::size_t>(i)] = (static_cast<int>(size) * 37 + i * 101) % 32768;
    const std::string rewritten = ini_with_widths(text, wanted);
    FUZZ_CHECK(widths_from_ini(rewritten) == wanted);
    // Writing the same widths again changes nothing.
    FUZZ_CHECK(ini_with_widths(rewritten, wanted) == rewritten);
    return 0;
}
