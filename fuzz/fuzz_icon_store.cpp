// links.dat, the icon store: the first byte gives the length of a path,
// then the path, then the store. A lookup never reports a record whose
// image runs past the data, and a match is the path and its zero; setting
// an image and looking it up again gives that image.
#include "catalogue/icon_store_format.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(data[0], size - 1);
    const std::string_view path(reinterpret_cast<const char *>(data + 1), n);
    const std::string_view store(reinterpret_cast<const char *>(data + 1 + n), size - 1 - n);

    if (const auto at = find_icon_record(store, path)) {
        FUZZ_CHECK(*at + icon_record_size <= store.size());
        FUZZ_CHECK(store.substr(*at, path.size()) == path && store[*at + path.size()] == '\0');
        FUZZ_CHECK(find_icon_image(store, path).has_value());
    }
    if (!storable_icon_path(path))
        return 0;
    ICON_IMAGE image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(store.empty() ? i : store[i % store.size()] ^ i);
    bool damaged = false;
    const std::string after = store_with_icon(store, path, image, &damaged);
    FUZZ_CHECK(damaged == (store.size() % icon_record_size != 0));
    FUZZ_CHECK(after.size() <= store.size() / icon_record_size * icon_record_size + icon_record_size);
    // The image is found where it was written: at the first match, or in
    // the record appended. (A match inside an earlier record's image that
    // the appended record brings within the data comes first by the file's
    // rules; then the lookup is that match, unchanged by the write.)
    const auto at = find_icon_record(after, path);
    FUZZ_CHECK(at.has_value());
    const std::size_t whole = store.size() / icon_record_size * icon_record_size;
    if (after.size() == whole || *at == whole)
        FUZZ_CHECK(find_icon_image(after, path) == image);
    else
        FUZZ_CHECK(after.compare(whole + icon_name_width, icon_image_bytes,
                                 reinterpret_cast<const char *>(image.data()), image.size()) == 0);
    // Setting the image found again changes nothing.
    if (const auto found = find_icon_image(after, path))
        FUZZ_CHECK(store_with_icon(after, path, *found) == after);
    return 0;
}
