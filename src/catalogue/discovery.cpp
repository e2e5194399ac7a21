#include "catalogue/discovery.h"

#include "catalogue/link_map.h"
#include "common/sfx_mutex.h"

namespace {

bool equals_ignoring_case(const std::string &a, const char *b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && !b[i];
}

bool banned(const std::string &path) {
    for (auto it = never_add_access(never_add_op::first);
         it != never_add_access(never_add_op::end); it = never_add_access(never_add_op::next, {}, it))
        if (*it == path)
            return true;
    return false;
}

} // namespace

std::string catalogue_key(const std::string &path) {
    std::size_t begin = 0, end = path.size();
    while (begin < end && static_cast<unsigned char>(path[begin]) < 33)
        ++begin;
    while (end > begin && static_cast<unsigned char>(path[end - 1]) < 33)
        --end;
    return path.substr(begin, end - begin);
}

bool check_window(platform::window_source &source, platform::window_id window,
                  const program_added_callback &on_added) {
    static SFXMutex lock;
    SFXLock hold(lock);
    if (!source.is_visible(window) || source.has_owner(window))
        return false;
    if (equals_ignoring_case(source.class_name(window), "Progman"))
        return false;
    if (source.title(window).empty())
        return false;
    std::string path = source.executable_path(window);
    if (path.empty() || banned(path))
        return false;
    std::string key = catalogue_key(path);
    if (key.empty())
        return false;
    if (link_map_access(link_op::find, key) != link_map_access(link_op::end))
        return false;
    // A path too long for the file is refused here rather than shortened
    // into a different program's path.
    if (link_map_access(link_op::insert, key, LINK_PROPERTIES_STRUCT{}) ==
        link_map_access(link_op::end))
        return false;
    link_map_access(link_op::save);
    if (on_added)
        on_added(path);
    return true;
}

int scan_windows(platform::window_source &source, const program_added_callback &on_added) {
    int added = 0;
    for (platform::window_id w : source.top_level_windows())
        if (check_window(source, w, on_added))
            ++added;
    return added;
}

int scan_windows(const program_added_callback &on_added) {
    return scan_windows(platform::desktop_window_source(), on_added);
}
