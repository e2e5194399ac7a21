#include "platform/desktop_entries.h"

#include <glib.h>

#include <memory>

namespace platform {

namespace {

struct key_file_free {
    void operator()(GKeyFile *f) const { g_key_file_free(f); }
};
using key_file_ptr = std::unique_ptr<GKeyFile, key_file_free>;

bool valid_key_name(const std::string &key) {
    if (key.empty())
        return false;
    for (char c : key)
        if (!g_ascii_isalnum(c) && c != '-')
            return false;
    return true;
}

bool valid_value(const std::string &value) {
    return value.find('\0') == std::string::npos &&
           g_utf8_validate(value.data(), static_cast<gssize>(value.size()), nullptr);
}

std::optional<std::string> text_of(GKeyFile *file) {
    gsize length = 0;
    gchar *data = g_key_file_to_data(file, &length, nullptr);
    if (!data)
        return std::nullopt;
    std::string text(data, length);
    g_free(data);
    return text;
}

} // namespace

std::optional<std::string> build_key_file(const std::string &group, const KEY_VALUES &keys) {
    if (group.empty() || !g_utf8_validate(group.data(), static_cast<gssize>(group.size()), nullptr) ||
        group.find_first_of("[]\n\r") != std::string::npos)
        return std::nullopt;
    key_file_ptr file(g_key_file_new());
    for (const auto &[key, value] : keys) {
        if (!valid_key_name(key) || !valid_value(value))
            return std::nullopt;
        g_key_file_set_string(file.get(), group.c_str(), key.c_str(), value.c_str());
    }
    return text_of(file.get());
}

std::optional<std::string> edit_key_file(std::string_view text, const std::string &group,
                                         const KEY_CHANGES &changes) {
    key_file_ptr file(g_key_file_new());
    const auto keep = static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), keep, nullptr) ||
        !g_key_file_has_group(file.get(), group.c_str()))
        return std::nullopt;
    for (const auto &[key, value] : changes) {
        if (!valid_key_name(key) || (value && !valid_value(*value)))
            return std::nullopt;
        if (value)
            g_key_file_set_string(file.get(), group.c_str(), key.c_str(), value->c_str());
        else
            g_key_file_remove_key(file.get(), group.c_str(), key.c_str(), nullptr);
    }
    return text_of(file.get());
}

std::optional<std::map<std::string, std::string>>
read_key_file(std::string_view text, const std::string &group, const std::vector<std::string> &wanted) {
    key_file_ptr file(g_key_file_new());
    if (!g_key_file_load_from_data(file.get(), text.data(), text.size(), G_KEY_FILE_NONE, nullptr))
        return std::nullopt;
    if (!g_key_file_has_group(file.get(), group.c_str()))
        return std::nullopt;
    std::map<std::string, std::string> out;
    for (const auto &key : wanted) {
        GError *error = nullptr;
        gchar *value = g_key_file_get_string(file.get(), group.c_str(), key.c_str(), &error);
        if (error)
            g_error_free(error);
        if (value) {
            out[key] = value;
            g_free(value);
        }
    }
    return out;
}

std::optional<std::vector<std::string>> split_command_words(const std::string &line) {
    if (line.find('\0') != std::string::npos)
        return std::nullopt;
    gint argc = 0;
    gchar **argv = nullptr;
    if (!g_shell_parse_argv(line.c_str(), &argc, &argv, nullptr))
        return std::nullopt;
    std::vector<std::string> words(argv, argv + argc);
    g_strfreev(argv);
    if (words.empty())
        return std::nullopt;
    return words;
}

} // namespace platform
