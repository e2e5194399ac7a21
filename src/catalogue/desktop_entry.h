// Desktop entries (the freedesktop.org ".desktop" format) that Vorkel
// writes, for the autostart folder and the applications folder, and the
// reading of any such entry back. Pure functions over bytes; the key-file
// syntax and its value escapes go through platform/desktop_entries.h.
//
// Exec quoting: an argument holding a blank or one of the reserved
// characters is put in double quotes, inside which ", `, $ and \ take a
// backslash; every % is doubled (a lone % starts a field code). The value
// escapes of the key-file format are applied on top, so a literal
// backslash inside a quoted argument reaches the file as four.
//
// The format holds UTF-8 text only: an entry whose values are not UTF-8 is
// not built, and such values are not read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct DESKTOP_ENTRY_STRUCT {
    std::string type;                  // Type= (written as Application)
    std::string name;                  // Name=
    std::string comment;               // Comment=, left out when empty
    std::vector<std::string> exec;     // Exec=, program and arguments; empty when unreadable
    std::string path;                  // Path=, the working folder; read only
    bool hidden = false;               // Hidden=true (the entry counts as deleted); read only
    std::optional<bool> no_display;    // NoDisplay= (kept out of the menus when true), left out when unset
    int hotkey = 0; // X-Vorkel-Hotkey=, left out when 0; -1 read from a value that is no word
    bool written_by_vorkel = false;    // X-Vorkel-Created=true
};

// One argument quoted for an Exec line (before value escaping).
std::string quote_exec_argument(std::string_view arg);

// The Exec value for argv: quoted arguments joined by blanks, % doubled.
std::string build_exec_line(const std::vector<std::string> &argv);

// An Exec value with its field codes (%f, %U, %i ...) removed and %% read
// as %, as a program started without files or URLs sees it.
std::string drop_field_codes(std::string_view exec);

// The arguments of an Exec value (already value-unescaped): field codes
// dropped, then split by the format's quoting rules. Empty when the quotes
// are unbalanced or nothing is left.
std::optional<std::vector<std::string>> split_exec_line(std::string_view exec);

// The whole file text: a [Desktop Entry] group of Type=Application with
// the fields above; X-Vorkel-Created=true is always written. Empty when a
// value is not UTF-8.
std::optional<std::string> build_desktop_entry(const DESKTOP_ENTRY_STRUCT &entry);

// Reads the [Desktop Entry] group of text. Other groups, comments and
// localised keys (Name[de]=) are ignored; a missing key leaves its field
// empty. Returns false when the text is not a key file with a
// [Desktop Entry] group.
bool parse_desktop_entry(std::string_view text, DESKTOP_ENTRY_STRUCT &entry);
