#include "catalogue/startup_links.h"

#include "catalogue/desktop_entry.h"
#include "common/file_io.h"
#include "platform/file_icons.h"
#include "platform/files.h"
#include "platform/shell_links.h"

#include <cerrno>
#include <optional>

namespace {

enum class ENTRY_AT { none, own, foreign };

// What is at path, and Vorkel's entry when it is one. Unreadable or
// unparsable files count as foreign: they are not ours to overwrite.
ENTRY_AT entry_at(const std::string &path, DESKTOP_ENTRY_STRUCT *entry = nullptr) {
    if (!path_exists(path))
        return ENTRY_AT::none;
    auto text = read_whole_file(path, 1u << 20);
    DESKTOP_ENTRY_STRUCT read;
    if (!text || !parse_desktop_entry(*text, read) || !read.written_by_vorkel)
        return ENTRY_AT::foreign;
    if (entry)
        *entry = std::move(read);
    return ENTRY_AT::own;
}

// The file below folder whose id, counted from folder, is id.
std::string entry_below(const std::string &folder, const std::string &id, const std::string &except) {
    const std::string direct = folder + "/" + id;
    if (direct != except && platform::is_file(direct))
        return direct;
    for (std::size_t dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
        const std::string sub = folder + "/" + id.substr(0, dash);
        if (dash == 0 || !platform::is_folder(sub))
            continue;
        std::string found = entry_below(sub, id.substr(dash + 1), except);
        if (!found.empty())
            return found;
    }
    return {};
}

} // namespace

std::string program_link_name(const std::string &folder, const std::string &program_path) {
    std::string name = platform::file_name_of(program_path);
    if (name.empty() || folder.empty())
        return {};
    return folder + "/" + own_link_prefix + name + ".desktop";
}

std::string startup_link_name(const std::string &program_path) {
    return program_link_name(platform::startup_folder(), program_path);
}

std::vector<std::string> link_id_folders(LINK_KIND kind) {
    if (kind == LINK_KIND::applications)
        return platform::application_folders();
    std::vector<std::string> folders = platform::system_startup_folders();
    folders.insert(folders.begin(), platform::startup_folder());
    return folders;
}

std::string entry_with_id(const std::vector<std::string> &folders, const std::string &id,
                          const std::string &except) {
    if (id.empty() || id.find('/') != std::string::npos)
        return {};
    for (const auto &folder : folders) {
        std::string found = folder.empty() ? std::string() : entry_below(folder, id, except);
        if (!found.empty())
            return found;
    }
    return {};
}

int write_program_link(const std::string &target, const std::string &link_name,
                       const std::string &description, int hotkey, LINK_KIND kind) {
    auto slash = link_name.rfind('/');
    if (link_name.empty() || slash == std::string::npos || slash == 0)
        return ENOENT;
    DESKTOP_ENTRY_STRUCT old;
    const ENTRY_AT there = entry_at(link_name, &old);
    if (there == ENTRY_AT::foreign ||
        !entry_with_id(link_id_folders(kind), link_name.substr(slash + 1), link_name).empty())
        return EEXIST;
    DESKTOP_ENTRY_STRUCT entry;
    entry.name = platform::file_name_of(target).empty() ? target : platform::file_name_of(target);
    entry.comment = description;
    entry.exec = {target};
    entry.hotkey = hotkey & 0xffff;
    if (there == ENTRY_AT::own)
        entry.no_display = old.no_display;
    else if (kind == LINK_KIND::applications)
        entry.no_display = true;
    auto text = build_desktop_entry(entry);
    if (!text)
        return EILSEQ;
    if (int error = platform::make_folders(link_name.substr(0, slash)))
        return error;
    return write_file_atomically(link_name, *text) ? 0 : EIO;
}

int create_startup_link(const std::string &target, const std::string &link_name,
                        const std::string &description) {
    return write_program_link(target, link_name, description, 0, LINK_KIND::autostart);
}

bool own_entry_at(const std::string &path) { return entry_at(path) == ENTRY_AT::own; }

int delete_startup_link(const std::string &link_name) {
    if (link_name.empty() || !path_exists(link_name))
        return 0;
    if (entry_at(link_name) == ENTRY_AT::foreign)
        return EPERM;
    return platform::delete_file(link_name);
}
