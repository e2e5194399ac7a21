// Program entries: desktop entry files that start one catalogued program,
// written into a folder of the desktop (the autostart folder for a
// program that starts at the user's login, the applications folder for a
// program given a hotkey), and undoing that.
//
// An entry's file name is its desktop id for the whole desktop: an entry
// in the user's folder replaces every entry of that id in the system's
// folders, so the menus would lose the system's entry for the program
// (its icon, its name, Terminal=true) and the login the system's
// autostart entry. Vorkel's entries therefore take ids of their own,
// "vorkel-" and the program's file name (/opt/ed/ed →
// <folder>/vorkel-ed.desktop), and an id that another entry of that kind
// uses already, anywhere, is not taken. Entries in the applications folder
// are kept out of the menus (NoDisplay=true); one the user made visible
// stays visible when it is written again.
//
// Entries Vorkel writes carry X-Vorkel-Created=true; an entry of the same
// name that the user or another tool made is never replaced or deleted.
//
// GUI thread (the "StartUp" box and "Hotkeys" handlers). Failures are
// reported by the return value only; the callers ignore them as the
// catalogue stays authoritative.
#pragma once

#include <string>
#include <vector>

// The two folders Vorkel writes entries into.
enum class LINK_KIND { autostart, applications };

// The first part of the file name of every entry Vorkel writes.
inline constexpr char own_link_prefix[] = "vorkel-";

// The entry's file name for a program path in folder: the folder, '/',
// "vorkel-", the part of the path after its last '/', ".desktop". Empty
// when the path holds no '/', ends with '/', or folder is empty.
std::string program_link_name(const std::string &folder, const std::string &program_path);

// program_link_name in the autostart folder.
std::string startup_link_name(const std::string &program_path);

// The folders whose entries share their ids with entries of kind: the
// applications folders ($XDG_DATA_HOME's first, then $XDG_DATA_DIRS'), or
// the user's autostart folder and the system's.
std::vector<std::string> link_id_folders(LINK_KIND kind);

// The file in folders that has the desktop id id (a file in a nested
// folder has the folder names and its own joined by '-': a/b.desktop is
// a-b.desktop), other than except; empty when there is none.
std::string entry_with_id(const std::vector<std::string> &folders, const std::string &id,
                          const std::string &except = {});

// Writes the entry link_name of kind that starts target (no arguments),
// named after target's file name, with description as its comment and
// hotkey as X-Vorkel-Hotkey (left out when 0). Creates the entry's folder
// when missing; replaces the file atomically (temporary file + rename,
// mode 0600). Returns 0 on success, EEXIST when a file of that name exists
// that Vorkel did not write or another entry of kind has that id, ENOENT
// for a link_name without a folder, EILSEQ when target or description is
// not UTF-8 (the format cannot hold it), else an errno-like failure code.
int write_program_link(const std::string &target, const std::string &link_name,
                       const std::string &description, int hotkey, LINK_KIND kind);

// write_program_link of an autostart entry without a hotkey: Vorkel's own
// entry carries none either, as a key taken for the whole desktop would
// be taken from every other program.
int create_startup_link(const std::string &target, const std::string &link_name,
                        const std::string &description);

// True when path holds a desktop entry that Vorkel wrote.
bool own_entry_at(const std::string &path);

// Removes link_name when Vorkel wrote it. Returns 0 when no such file
// exists afterwards, EPERM when the file was not written by Vorkel (it is
// left), else an errno value.
int delete_startup_link(const std::string &link_name);

// At start: the entries that earlier versions of Vorkel wrote under the
// program's bare file name (shadowing the desktop's own entry of that id)
// move to Vorkel's own ids with their keys; a moved entry that did shadow
// another is kept out of the menus. The autostart entry an earlier version
// wrote for Vorkel itself loses the Ctrl+Shift+S it was given. An entry
// whose own id is taken already by an entry Vorkel wrote is deleted (the
// newer one stands); one whose own id another entry has stays where it is.
void move_earlier_program_links();
