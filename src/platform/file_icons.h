// The desktop's icons for files and programs, as icon references: a theme
// icon name ("utilities-terminal") or the absolute path of an image file.
// Turning a reference into pixels is the caller's (the toolkit's icon
// theme resolves names).
//
// A program's icon is the Icon of the desktop entry whose Exec or TryExec
// starts that executable. Entries are read from the applications folders
// of $XDG_DATA_HOME (user's first) and $XDG_DATA_DIRS; an entry of the
// user's hides a system entry of the same id, and among the entries for
// one executable the first found wins. Entries that are hidden, not
// applications, or whose TryExec is not installed do not count.
//
// The executable-to-icon table is built on first use and rebuilt by
// refresh_program_icons only when an applications folder changed (its
// modification time or identity, or the list of folders), so looking up
// a hundred programs costs a hundred table lookups.
//
// Threads: any; the table is guarded by a lock of its own.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The applications folders, in the order they are searched.
std::vector<std::string> application_folders();

// Rebuilds the program icon table when a folder changed since it was
// built (a few stat calls otherwise).
void refresh_program_icons();

// The icon reference of the desktop entry that starts the executable at
// path (compared as given and with links resolved); empty when none.
std::string program_icon(const std::string &path);

// The Icon of the desktop entry file at path; empty when the file is not a
// readable desktop entry or names no icon.
std::string desktop_file_icon(const std::string &path);

// The theme icon names of the file's type, most specific first; empty when
// the file does not exist. An executable program file is named
// "application-x-executable" first.
std::vector<std::string> file_type_icons(const std::string &path);

} // namespace platform
