// Program entries: desktop entry files that start one catalogued program,
// written into a folder of the desktop (the autostart folder for a
// program that starts at the user's login, the applications folder for a
// program given a hotkey), and undoing that.
//
// An entry is named after the program's file name (/opt/ed/ed →
// <folder>/ed.desktop); its Exec line starts the program. Entries Vorkel
// writes carry X-Vorkel-Created=true; an entry of the same name that the
// user or another tool made is never replaced or deleted.
//
// GUI thread (the "StartUp" box handlers). Failures are reported by the
// return value only; the callers ignore them as the catalogue stays
// authoritative.
#pragma once

#include <string>

// The entry's file name for a program path in folder: the folder, '/',
// the part of the path after its last '/', ".desktop". Empty when the
// path holds no '/', ends with '/', or folder is empty.
std::string program_link_name(const std::string &folder, const std::string &program_path);

// program_link_name in the autostart folder.
std::string startup_link_name(const std::string &program_path);

// The hotkey word stored with Vorkel's own executable (file name "vorkel",
// or a path ending in "vorkel.exe", case-sensitive): 0x0353, Ctrl+Shift+S
// (low byte the key 'S', high byte the modifiers Shift 1 | Ctrl 2). 0 for
// every other program.
int own_program_hotkey(const std::string &target);

// Writes the entry link_name that starts target (no arguments), named
// after target's file name, with description as its comment and hotkey
// as X-Vorkel-Hotkey (left out when 0). Creates the entry's folder when
// missing; replaces the file atomically (temporary file + rename, mode
// 0600). Returns 0 on success, EEXIST when a file of that name exists that
// Vorkel did not write, ENOENT for a link_name without a folder, EILSEQ
// when target or description is not UTF-8 (the format cannot hold it),
// else an errno-like failure code.
int write_program_link(const std::string &target, const std::string &link_name,
                       const std::string &description, int hotkey);

// write_program_link with own_program_hotkey(target).
int create_startup_link(const std::string &target, const std::string &link_name,
                        const std::string &description);

// Removes link_name when Vorkel wrote it. Returns 0 when no such file
// exists afterwards, EPERM when the file was not written by Vorkel (it is
// left), else an errno value.
int delete_startup_link(const std::string &link_name);
