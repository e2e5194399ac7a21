// vorkel.ini: the widths of the main window's ten grid columns.
//
// A standard INI text: a line "[SETTINGS]" and one line "key=integer" per
// column, keys "x1" to "x10" (grid columns 0-2, then pgrid columns 0-6).
// Pure text functions; the main window reads and writes the file.
#pragma once

#include <array>
#include <string>
#include <string_view>

constexpr int column_count = 10;

// Design widths of the Shortcuts grid's three columns, used when
// vorkel.ini does not exist (the Tasks grid's are in its column table,
// monitor/task_columns.h, with the keys of their widths).
constexpr std::array<int, 3> shortcut_design_widths = {260, 60, 2};

// The index among the ten widths of a key "x1".."x10" (either case of the
// x); -1 for any other key.
int ini_column_of_key(std::string_view key);

// Reads key from section of an INI text. A missing key, or a value that
// is not a plain decimal integer from 0 to 32767, gives fallback.
// Section and key names match regardless of ASCII case, as the system's
// INI functions do.
int ini_read_int(const std::string &text, const std::string &section, const std::string &key,
                 int fallback);

// The ten widths from an existing vorkel.ini text (missing or bad keys: 10).
std::array<int, column_count> widths_from_ini(const std::string &text);

// The INI text with the ten keys set to widths: other sections, keys and
// lines of old_text are kept; keys missing from [SETTINGS] are appended
// to it, and the section is made when absent.
std::string ini_with_widths(const std::string &old_text, const std::array<int, column_count> &widths);
