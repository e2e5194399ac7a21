#include "catalogue/catalogue_file.h"

#include "catalogue/catalogue_file_format.h"
#include "common/file_io.h"
#include "common/sfx_mutex.h"
#include "platform/files.h"

namespace {

// Writes image over path, first renaming a damaged original aside. When
// the original cannot be kept aside nothing is written: its bytes would
// otherwise be lost, and the catalogue in memory stays authoritative.
void replace_catalogue(const std::string &path, const std::string &image, bool old_damaged) {
    if (old_damaged && keep_damaged_aside(path).empty())
        return;
    write_file_atomically(path, image);
}

} // namespace

void create_catalogue(const std::string &path) {
    static SFXMutex lock;
    SFXLock hold(lock);
    platform::create_file(path, join_catalogue({}, {}, {}));
}

void read_catalogue(const std::string &path, LINK_MAP &map, APP_LIST &list) {
    static SFXMutex lock;
    SFXLock hold(lock);
    auto image = read_whole_file(path);
    if (!image)
        return;
    map.clear();
    list.clear();
    CATALOGUE_SECTIONS_STRUCT s = split_catalogue(*image);
    decode_link_records(s.links, map);
    decode_never_add(s.never_add, list);
}

namespace {

// Both rewrites read the file as it is and replace one section; one lock
// for the two keeps either from writing over the other's change.
template <typename F> void rewrite_catalogue(const std::string &path, F &&new_image) {
    static SFXMutex lock;
    SFXLock hold(lock);
    create_catalogue(path);
    auto image = read_whole_file(path);
    if (!image)
        return;
    CATALOGUE_SECTIONS_STRUCT old = split_catalogue(*image);
    replace_catalogue(path, new_image(old), old.damaged);
}

} // namespace

void write_catalogue(const std::string &path, const LINK_MAP &snapshot) {
    rewrite_catalogue(path, [&](const CATALOGUE_SECTIONS_STRUCT &old) {
        return join_catalogue(encode_link_records(snapshot), old.never_add, old.extra);
    });
}

void write_never_add_list(const std::string &path, const APP_LIST &snapshot) {
    // Section 1 is carried as raw records: duplicates and reserved values
    // stay exactly as they were.
    rewrite_catalogue(path, [&](const CATALOGUE_SECTIONS_STRUCT &old) {
        return join_catalogue(old.links, encode_never_add(snapshot), old.extra);
    });
}
