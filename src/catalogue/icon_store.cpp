#include "catalogue/icon_store.h"

#include "common/file_io.h"
#include "common/sfx_mutex.h"

#include <algorithm>
#include <cstring>

namespace {

// A store larger than this is not a store of icons for a person's programs
// (it would hold a quarter of a million records); it is left alone.
constexpr std::uint64_t max_store_bytes = 256u << 20;

} // namespace

namespace {

SFXMutex &read_lock() {
    static SFXMutex lock;
    return lock;
}

} // namespace

std::string read_icon_store(const std::string &store_path) {
    SFXLock hold(read_lock());
    return read_whole_file(store_path, max_store_bytes).value_or(std::string());
}

bool read_icon(const std::string &store_path, const std::string &path, ICON_IMAGE &image) {
    std::optional<ICON_IMAGE> found = find_icon_image(read_icon_store(store_path), path);
    if (!found)
        return false;
    image = *found;
    return true;
}

bool write_icon(const std::string &store_path, const std::string &path, const ICON_IMAGE &image) {
    static SFXMutex lock;
    SFXLock hold(lock);
    if (!storable_icon_path(path))
        return false;
    std::string old;
    if (path_exists(store_path)) {
        std::optional<std::string> bytes = read_whole_file(store_path, max_store_bytes);
        if (!bytes)
            return false; // unreadable or absurdly large: keep it as it is
        old = std::move(*bytes);
    }
    bool damaged = false;
    std::string updated = store_with_icon(old, path, image, &damaged);
    if (damaged && keep_damaged_aside(store_path).empty())
        return false;
    return write_file_atomically(store_path, updated);
}
