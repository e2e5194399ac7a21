#include "catalogue/link_map.h"

#include "catalogue/catalogue_file.h"
#include "common/sfx_mutex.h"

#include <chrono>
#include <thread>

LINK_MAP link_map;
APP_LIST never_add_list;
APP_LIST menu_path_list;
std::atomic<bool> grid_busy{false};

namespace {
std::string g_save_path;
} // namespace

void set_catalogue_save_path(const std::string &path) { g_save_path = path; }

LINK_MAP::iterator link_map_access(int op, const std::string &key,
                                   const LINK_PROPERTIES_STRUCT &record,
                                   LINK_MAP::iterator position) {
    static SFXMutex lock;
    SFXLock hold(lock);
    switch (op) {
    case link_op::insert:
        if (!storable_path(key))
            return link_map.end();
        return link_map.emplace(key, record).first;
    case link_op::erase:
        if (position != link_map.end())
            link_map.erase(position);
        return link_map.end();
    case link_op::find:
        return link_map.find(key);
    case link_op::first:
        return link_map.begin();
    case link_op::next:
        return position == link_map.end() ? position : std::next(position);
    case link_op::save:
        if (!g_save_path.empty())
            write_catalogue(g_save_path, LINK_MAP(link_map));
        return link_map.end();
    default:
        return link_map.end();
    }
}

APP_LIST::iterator never_add_access(int op, const std::string &path, APP_LIST::iterator position) {
    static SFXMutex lock;
    SFXLock hold(lock);
    switch (op) {
    case never_add_op::append:
        if (!storable_path(path))
            return never_add_list.end();
        return never_add_list.insert(never_add_list.end(), path);
    case never_add_op::erase:
        if (position != never_add_list.end())
            never_add_list.erase(position);
        return never_add_list.end();
    case never_add_op::first:
        return never_add_list.begin();
    case never_add_op::next:
        return position == never_add_list.end() ? position : std::next(position);
    case never_add_op::save:
        if (!g_save_path.empty())
            write_never_add_list(g_save_path, APP_LIST(never_add_list));
        return never_add_list.end();
    default:
        return never_add_list.end();
    }
}

void take_grid_busy() {
    bool expected = false;
    while (!grid_busy.compare_exchange_weak(expected, true)) {
        expected = false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void release_grid_busy() { grid_busy = false; }

void clear_catalogue() {
    take_grid_busy();
    {
        static SFXMutex lock;
        SFXLock hold(lock);
        link_map.clear();
        menu_path_list.clear();
        never_add_list.clear();
    }
    release_grid_busy();
}
