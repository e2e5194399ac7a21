// move_earlier_program_links (startup_links.h): the entries earlier
// versions wrote under the program's bare file name.
#include "catalogue/desktop_entry.h"
#include "catalogue/startup_links.h"
#include "common/file_io.h"
#include "platform/desktop_entries.h"
#include "platform/files.h"
#include "platform/shell_links.h"

#include <algorithm>
#include <filesystem>

namespace {

// Desktop entries are small; a larger file is not one Vorkel wrote.
constexpr std::uint64_t entry_size_limit = 64u << 10;

// The word earlier versions gave the autostart entry of Vorkel itself.
constexpr int earlier_own_hotkey = 0x0353;

bool ends_with(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Vorkel itself, as earlier versions told it: a file named "vorkel", or a
// path ending in "vorkel.exe".
bool earlier_own_program(const std::string &path) {
    return platform::file_name_of(path) == "vorkel" || ends_with(path, "vorkel.exe");
}

// The names of the desktop entries directly in folder that do not have
// Vorkel's own ids, by name.
std::vector<std::string> earlier_names(const std::string &folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (ends_with(name, ".desktop") && name.rfind(own_link_prefix, 0) != 0 && it->is_regular_file(ec))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void move_earlier_link(const std::string &folder, const std::string &name, LINK_KIND kind) {
    const std::string from = folder + "/" + name;
    const std::optional<std::string> text = read_whole_file(from, entry_size_limit);
    DESKTOP_ENTRY_STRUCT entry;
    if (!text || !parse_desktop_entry(*text, entry) || !entry.written_by_vorkel)
        return;
    platform::KEY_CHANGES changes;
    if (kind == LINK_KIND::autostart && entry.hotkey == earlier_own_hotkey && !entry.exec.empty() &&
        earlier_own_program(entry.exec[0]))
        changes.emplace_back("X-Vorkel-Hotkey", std::nullopt);
    if (kind == LINK_KIND::applications && !entry_with_id(link_id_folders(kind), name, from).empty())
        changes.emplace_back("NoDisplay", "true");
    const std::optional<std::string> moved =
        changes.empty() ? text : platform::edit_key_file(*text, "Desktop Entry", changes);
    if (!moved)
        return;

    const std::string own_id = own_link_prefix + name;
    const std::string to = folder + "/" + own_id;
    if (platform::path_exists(to)) {
        // Written by a later run: that one stands. Anything else: both stay.
        if (own_entry_at(to))
            platform::delete_file(from);
        return;
    }
    if (!entry_with_id(link_id_folders(kind), own_id, from).empty())
        return;
    if (platform::create_file(to, *moved) == 0)
        platform::delete_file(from);
}

} // namespace

void move_earlier_program_links() {
    for (LINK_KIND kind : {LINK_KIND::applications, LINK_KIND::autostart}) {
        const std::string folder =
            kind == LINK_KIND::applications ? platform::programs_folder() : platform::startup_folder();
        if (folder.empty())
            continue;
        for (const std::string &name : earlier_names(folder))
            move_earlier_link(folder, name, kind);
    }
}
