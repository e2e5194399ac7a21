// Hotkey entries: a desktop entry in the user's applications folder (the
// "Programs" folder) that starts a catalogued program and carries the
// hotkey word the user chose for it (X-Vorkel-Hotkey=). Vorkel itself
// grabs the keys of such entries (catalogue/hotkey_watch.h).
//
// The entry outlives the catalogue entry; giving the program a new
// combination rewrites the same file. Written by the one program-entry
// writer of startup_links.h: the entry has an id of Vorkel's own, stays
// out of the menus, and never replaces or hides an entry Vorkel did not
// write.
//
// GUI thread.
#pragma once

#include <string>

// The entry's file name for a program path: the applications folder, '/',
// "vorkel-", the part of the path after its last '/', ".desktop". Empty
// when the path holds no '/' (nothing can then be saved) or no folder is
// known.
std::string programs_link_name(const std::string &program_path);

// Writes the entry link_name starting target with description as its
// comment and the hotkey word (0: no X-Vorkel-Hotkey line). Returns 0 or
// the failure code of write_program_link; the callers ignore it.
int create_hotkey_link(const std::string &target, const std::string &link_name,
                       const std::string &description, int hotkey);
