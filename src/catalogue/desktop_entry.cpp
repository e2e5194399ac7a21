#include "catalogue/desktop_entry.h"

#include "catalogue/hotkey_keys.h"
#include "platform/desktop_entries.h"

namespace {

// Characters that make an Exec argument need quotes: the format's reserved
// ones, and every other ASCII space character too, since a key file drops
// those that lead or end a value and the word splitter may part words at
// them.
bool reserved(char c) {
    static constexpr std::string_view quoted = " \t\n\v\f\r\"'\\><~|&;$*?#()`";
    return quoted.find(c) != std::string_view::npos;
}

std::string double_percent(std::string_view text) {
    std::string out;
    for (char c : text) {
        out.push_back(c);
        if (c == '%')
            out.push_back('%');
    }
    return out;
}

} // namespace

std::string quote_exec_argument(std::string_view arg) {
    bool needs = arg.empty();
    for (char c : arg)
        needs = needs || reserved(c);
    if (!needs)
        return std::string(arg);
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string build_exec_line(const std::vector<std::string> &argv) {
    std::string out;
    for (const auto &a : argv) {
        if (!out.empty())
            out.push_back(' ');
        out += double_percent(quote_exec_argument(a));
    }
    return out;
}

std::string drop_field_codes(std::string_view exec) {
    std::string out;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] != '%' || i + 1 == exec.size()) {
            out.push_back(exec[i]);
            continue;
        }
        char code = exec[++i];
        if (code == '%')
            out.push_back('%');
        // Any other letter is a field code; without files, URLs or an icon
        // to pass, each stands for nothing.
    }
    return out;
}

std::optional<std::vector<std::string>> split_exec_line(std::string_view exec) {
    return platform::split_command_words(drop_field_codes(exec));
}

std::optional<std::string> build_desktop_entry(const DESKTOP_ENTRY_STRUCT &entry) {
    platform::KEY_VALUES keys{{"Type", "Application"}, {"Name", entry.name}};
    if (!entry.comment.empty())
        keys.emplace_back("Comment", entry.comment);
    keys.emplace_back("Exec", build_exec_line(entry.exec));
    if (entry.no_display)
        keys.emplace_back("NoDisplay", *entry.no_display ? "true" : "false");
    keys.emplace_back("X-Vorkel-Created", "true");
    if (entry.hotkey > 0)
        keys.emplace_back("X-Vorkel-Hotkey", hotkey_word_text(static_cast<std::uint16_t>(entry.hotkey)));
    return platform::build_key_file("Desktop Entry", keys);
}

bool parse_desktop_entry(std::string_view text, DESKTOP_ENTRY_STRUCT &entry) {
    entry = DESKTOP_ENTRY_STRUCT{};
    static const std::vector<std::string> wanted{"Type",           "Name",      "Comment", "Exec",
                                                 "Path",           "NoDisplay", "Hidden",  "X-Vorkel-Created",
                                                 "X-Vorkel-Hotkey"};
    auto keys = platform::read_key_file(text, "Desktop Entry", wanted);
    if (!keys)
        return false;
    auto value = [&](const char *key) {
        auto it = keys->find(key);
        return it == keys->end() ? std::string() : it->second;
    };
    entry.type = value("Type");
    entry.name = value("Name");
    entry.comment = value("Comment");
    entry.exec = split_exec_line(value("Exec")).value_or(std::vector<std::string>{});
    entry.path = value("Path");
    entry.hidden = value("Hidden") == "true";
    if (keys->count("NoDisplay"))
        entry.no_display = value("NoDisplay") == "true";
    entry.written_by_vorkel = value("X-Vorkel-Created") == "true";
    if (keys->count("X-Vorkel-Hotkey")) {
        auto word = parse_hotkey_word(value("X-Vorkel-Hotkey"));
        entry.hotkey = word ? *word : -1;
    }
    return true;
}
