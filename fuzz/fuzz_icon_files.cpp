// Icon files (.ico) and the icons of Windows programs (PE files): every
// image named lies inside the data, and an image cut out as a one-image
// icon file reads back as exactly that image.
#include "catalogue/icon_file_format.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char *>(data), size);
    const auto entries = ico_entries(file);
    FUZZ_CHECK(entries.size() <= 100);
    for (const ICO_ENTRY &e : entries) {
        FUZZ_CHECK(e.size > 0 && e.offset <= size && e.size <= size - e.offset);
        const std::string one = single_image_ico(file, e);
        const auto again = ico_entries(one);
        FUZZ_CHECK(again.size() == 1);
        FUZZ_CHECK(one.substr(again[0].offset, again[0].size) == file.substr(e.offset, e.size));
    }
    const auto icons = pe_small_icons(file);
    FUZZ_CHECK(icons.size() <= 100);
    for (const std::string &icon : icons)
        FUZZ_CHECK(ico_entries(icon).size() == 1);
    return 0;
}
