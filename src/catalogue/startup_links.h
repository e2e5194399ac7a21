// Start-up entries: making a catalogued program start at the user's login
// through an entry in the desktop's autostart folder, and undoing that.
//
// An entry is a desktop entry file named after the program's file name
// (/opt/ed/ed → <autostart>/ed.desktop) whose Exec line starts the program.
// Entries Vorkel writes carry X-Vorkel-Created=true; an entry of the same
// name that the user or another tool made is never replaced or deleted.
//
// GUI thread (the "StartUp" box handlers). Failures are reported by the
// return value only; the callers ignore them as the catalogue stays
// authoritative.
#pragma once

#include <string>

// The entry's file name for a program path: the autostart folder, '/',
// the part of the path after its last '/', ".desktop". Empty when the
// path holds no '/', ends with '/', or no autostart folder is known.
std::string startup_link_name(const std::string &program_path);

// The hotkey word stored with Vorkel's own executable (file name "vorkel",
// or a path ending in "vorkel.exe", case-sensitive): 0x0353, Ctrl+Shift+S
// (low byte the key 'S', high byte the modifiers Shift 1 | Ctrl 2). 0 for
// every other program.
int own_program_hotkey(const std::string &target);

// Writes the entry link_name that starts target (no arguments), with
// description as its comment and own_program_hotkey(target) as
// X-Vorkel-Hotkey. Creates the autostart folder when missing; replaces the
// file atomically (temporary file + rename, mode 0600). Returns 0 on
// success, EEXIST when a file of that name exists that Vorkel did not
// write, ENOENT for an empty link_name, else an errno-like failure code.
int create_startup_link(const std::string &target, const std::string &link_name,
                        const std::string &description);

// Removes link_name when Vorkel wrote it. Returns 0 when no such file
// exists afterwards, EPERM when the file was not written by Vorkel (it is
// left), else an errno value.
int delete_startup_link(const std::string &link_name);
