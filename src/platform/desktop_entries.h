// Desktop entry files (the freedesktop.org key-file format) read and
// written through the desktop's own key-file library, which applies the
// format's value escapes (\s \n \t \r \\), and Exec lines split by the
// format's shell-like quoting rules.
//
// The format holds UTF-8 text only: values that are not UTF-8 are refused
// when writing and left out when reading.
//
// Threads: any. Pure functions over bytes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

using KEY_VALUES = std::vector<std::pair<std::string, std::string>>;

// The text of a key file of one group with the keys in the given order.
// Empty when a key name is not a valid key-file name or a value is not
// UTF-8.
std::optional<std::string> build_key_file(const std::string &group, const KEY_VALUES &keys);

// The values of the wanted keys of group in text, unescaped. Keys that are
// missing, localised (Name[de]) or not UTF-8 are left out. Empty when the
// text is not a key file or has no such group.
std::optional<std::map<std::string, std::string>>
read_key_file(std::string_view text, const std::string &group, const std::vector<std::string> &wanted);

// text with keys of group set (a value) or removed (no value); comments,
// other keys and groups and localised values stay as they are. Empty when
// the text is not a key file with that group, or a key name or value is
// not valid.
using KEY_CHANGES = std::vector<std::pair<std::string, std::optional<std::string>>>;
std::optional<std::string> edit_key_file(std::string_view text, const std::string &group,
                                         const KEY_CHANGES &changes);

// The words of a command line split by the quoting rules of desktop-entry
// Exec lines (double and single quotes, backslash escapes; nothing is
// expanded). Empty when the quotes are unbalanced or no word is left.
std::optional<std::vector<std::string>> split_command_words(const std::string &line);

} // namespace platform
