// links.dat, the icon store: the first byte gives the length of a path,
// then the path, then the store. A lookup reports only the first whole
// record whose name is the path; setting an image for a path changes that
// record's image or appends a record, never another record's bytes, and
// looking the path up again gives that image.
#include "catalogue/icon_store_format.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool names(std::string_view store, std::size_t at, std::string_view path) {
    return store.substr(at, path.size()) == path && store[at + path.size()] == '\0';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(data[0], size - 1);
    const std::string_view path(reinterpret_cast<const char *>(data + 1), n);
    const std::string_view store(reinterpret_cast<const char *>(data + 1 + n), size - 1 - n);
    const std::size_t whole = store.size() / icon_record_size * icon_record_size;

    const auto at = find_icon_record(store, path);
    if (at) {
        FUZZ_CHECK(*at % icon_record_size == 0 && *at < whole);
        FUZZ_CHECK(names(store, *at, path));
        FUZZ_CHECK(find_icon_image(store, path).has_value());
    }
    if (!storable_icon_path(path)) {
        FUZZ_CHECK(!at);
        return 0;
    }
    for (std::size_t r = 0; r < (at ? *at : whole); r += icon_record_size)
        FUZZ_CHECK(!names(store, r, path));

    ICON_IMAGE image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(store.empty() ? i : store[i % store.size()] ^ i);
    bool damaged = false;
    const std::string after = store_with_icon(store, path, image, &damaged);
    FUZZ_CHECK(damaged == (whole != store.size()));
    FUZZ_CHECK(after.size() == (at ? whole : whole + icon_record_size));
    FUZZ_CHECK(find_icon_image(after, path) == image);
    // Every other byte of the whole records stays as it was.
    for (std::size_t i = 0; i < whole; ++i)
        if (!at || i < *at + icon_name_width || i >= *at + icon_record_size)
            FUZZ_CHECK(after[i] == store[i]);
    // Setting the image found again changes nothing.
    FUZZ_CHECK(store_with_icon(after, path, image) == after);
    return 0;
}
