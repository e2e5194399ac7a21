// The catalogue in memory: the known programs with the user's choices for
// each, the never-add list, and the tray menu's path table.
//
// Threads: the containers belong to the GUI thread. link_map_access and
// never_add_access each serialise themselves with a lock of their own
// (held for one operation); grid_busy serialises the commands that add or
// remove grid rows. No Qt or OS header here.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <list>
#include <map>
#include <string>
#include <string_view>

// One program's choices. Stored on disk as three little-endian 32-bit
// signed integers in this order.
struct LINK_PROPERTIES_STRUCT {
    std::int32_t show_in_menu = 0; // 1: listed in the tray menu
    std::int32_t startup = 0;      // 0 none, -1 autostart entry, 1 launch with Vorkel, N>1 kept only
    std::int32_t reserved = 0;     // never interpreted; carried through read and write unchanged
};

// Paths are byte strings compared as unsigned bytes, case-sensitively; a
// prefix sorts before its extensions. Spelled out rather than relying on
// std::less<std::string> so that the file order never depends on the
// signedness of char.
struct path_byte_order {
    bool operator()(const std::string &a, const std::string &b) const {
        std::size_t n = a.size() < b.size() ? a.size() : b.size();
        int c = n ? std::memcmp(a.data(), b.data(), n) : 0; // memcmp compares unsigned bytes
        return c < 0 || (c == 0 && a.size() < b.size());
    }
};

using LINK_MAP = std::map<std::string, LINK_PROPERTIES_STRUCT, path_byte_order>;

// Paths in insertion order, duplicates allowed.
using APP_LIST = std::list<std::string>;

// The longest path a 260-byte name field can hold with its terminating zero.
constexpr std::size_t max_catalogue_path = 259;

// True when the path can be stored in the file unchanged: at most 259
// bytes and no zero byte. Longer paths are never catalogued or banned,
// because cutting them would store a different path.
inline bool storable_path(std::string_view path) {
    return path.size() <= max_catalogue_path && path.find('\0') == std::string_view::npos;
}

extern LINK_MAP link_map;        // the catalogue
extern APP_LIST never_add_list;  // paths discovery skips
extern APP_LIST menu_path_list;  // the tray menu's item-to-path table (filled by the tray menu)

// Operation codes of link_map_access.
namespace link_op {
constexpr int insert = 0; // key, record: adds the entry unless the key is present
constexpr int erase = 1;  // position: removes that entry
constexpr int find = 2;   // key: the entry's position, or end
constexpr int first = 3;  // begin
constexpr int end = 4;    // end
constexpr int next = 5;   // position: the following position
constexpr int save = 6;   // writes a copy of link_map to the catalogue file
} // namespace link_op

// Operation codes of never_add_access (2 is not used).
namespace never_add_op {
constexpr int append = 0; // path: appended at the end
constexpr int erase = 1;  // position
constexpr int first = 3;
constexpr int end = 4;
constexpr int next = 5;
constexpr int save = 6; // writes a copy of never_add_list into the catalogue file
} // namespace never_add_op

// The single entry point for changing, searching and saving link_map.
// insert returns the entry's position (the existing one when the key was
// present, whose record is then left as it was), or end when the key is
// not storable_path and therefore refused. erase, save return end. A
// caller may change show_in_menu or startup through a position from find.
// GUI thread.
LINK_MAP::iterator link_map_access(int op, const std::string &key = {},
                                   const LINK_PROPERTIES_STRUCT &record = {},
                                   LINK_MAP::iterator position = {});

// The same for never_add_list. append refuses (returns end) a path that is
// not storable_path. GUI thread.
APP_LIST::iterator never_add_access(int op, const std::string &path = {},
                                    APP_LIST::iterator position = {});

// The file that the save operations write (the catalogue file in the data
// folder). Set once while the main window is built; empty: saves do nothing.
void set_catalogue_save_path(const std::string &path);

// Set while a command adds or removes grid rows and catalogue entries.
extern std::atomic<bool> grid_busy;

// Waits, polling every 1 ms, until grid_busy is clear, and sets it.
void take_grid_busy();
// Clears grid_busy.
void release_grid_busy();

// Empties link_map, menu_path_list and never_add_list while holding
// grid_busy. Does not touch the file: the caller deletes it. GUI thread.
void clear_catalogue();
