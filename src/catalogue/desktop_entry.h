// Desktop entry text (the freedesktop.org ".desktop" format) for the
// start-up entries Vorkel writes into the autostart folder, and the reading
// of such text back. Pure functions over bytes.
//
// Exec quoting: an argument holding a blank or one of the reserved
// characters is put in double quotes, inside which ", `, $ and \ take a
// backslash; every % is doubled (a lone % starts a field code). The value
// escapes of the format (\\, \n, \t, \r, \s) are applied on top, so a
// literal backslash inside a quoted argument reaches the file as four.
// Bytes that are not ASCII pass through unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct DESKTOP_ENTRY_STRUCT {
    std::string name;                  // Name=
    std::string comment;               // Comment=, left out when empty
    std::vector<std::string> exec;     // Exec=, program and arguments
    int hotkey = 0;                    // X-Vorkel-Hotkey=, left out when 0
    bool written_by_vorkel = false;    // X-Vorkel-Created=true
};

// One argument quoted for an Exec line (before value escaping).
std::string quote_exec_argument(std::string_view arg);

// The Exec value for argv: quoted arguments joined by blanks, % doubled.
std::string build_exec_line(const std::vector<std::string> &argv);

// The arguments of an Exec value (already value-unescaped): quoting
// undone, %% read as %, field codes such as %f dropped.
std::vector<std::string> split_exec_line(std::string_view exec);

// Escapes a value for the file: backslash, newline, tab, carriage return,
// and a leading blank.
std::string escape_value(std::string_view value);
std::string unescape_value(std::string_view value);

// The whole file text: a [Desktop Entry] group of Type=Application with
// the fields above; X-Vorkel-Created=true is always written.
std::string build_desktop_entry(const DESKTOP_ENTRY_STRUCT &entry);

// Reads the [Desktop Entry] group of text. Unknown keys, other groups,
// comments and localized keys (Name[de]=) are ignored; a missing key
// leaves its field empty. Returns false when the text has no
// [Desktop Entry] group.
bool parse_desktop_entry(std::string_view text, DESKTOP_ENTRY_STRUCT &entry);
