// Starting programs from command lines: the one way Vorkel starts another
// program (the Shortcuts page's "Launch", the tray menu, the start-up
// launch, the Tasks page's debugger command).
//
// GUI thread or any other; returns once the program has started or
// failed to, without waiting for it. No Qt or OS header here.
#pragma once

#include <string>

// Splits command_line by Vorkel's quoting rules (command_line.h) and starts
// the program with those arguments, detached, in working_directory (empty:
// Vorkel's current folder), never through a shell. When that fails (not
// found, not executable, unusable folder), the program's path is handed
// to xdg-open instead, which opens documents and URLs with the user's
// default application. Returns 0 when something was started, else the
// errno of the direct start (ENOENT for a line that names no program, in
// which case nothing else is tried).
//
// A line that is one quoted path containing double quotes (which the
// quoting rules cannot express as a program name) starts that path when
// the ordinary split names no existing file but the whole path does.
int launch_program(const std::string &command_line, const std::string &working_directory);

// The command line that starts the program at path with no arguments: the
// path in double quotes.
std::string program_command_line(const std::string &path);

// The folder part of path, up to and including its last '/' (empty when
// there is none): the working folder a catalogued program starts in.
std::string program_folder(const std::string &path);

// Starts the catalogued program at path with no arguments, detached, in
// program_folder(path): path itself is the program (argv[0]), never split
// or unquoted, whatever quotes or blanks it holds. When that fails, path
// goes to xdg-open as launch_program does. Returns 0 when something was
// started, else the errno of the direct start. The one way the Shortcuts
// page, the tray menu and the start-up launch start a catalogued program.
int launch_catalogued_program(const std::string &path);
