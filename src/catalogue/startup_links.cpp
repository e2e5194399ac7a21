#include "catalogue/startup_links.h"

#include "catalogue/desktop_entry.h"
#include "common/file_io.h"
#include "platform/files.h"
#include "platform/shell_links.h"

#include <cerrno>

namespace {

bool ends_with(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// True when path exists and holds an entry that Vorkel did not write.
// Unreadable or unparsable files count as foreign: they are not ours to
// overwrite.
bool foreign_entry_at(const std::string &path) {
    if (!path_exists(path))
        return false;
    auto text = read_whole_file(path, 1u << 20);
    DESKTOP_ENTRY_STRUCT entry;
    return !text || !parse_desktop_entry(*text, entry) || !entry.written_by_vorkel;
}

} // namespace

std::string program_link_name(const std::string &folder, const std::string &program_path) {
    std::string name = platform::file_name_of(program_path);
    if (name.empty() || folder.empty())
        return {};
    return folder + "/" + name + ".desktop";
}

std::string startup_link_name(const std::string &program_path) {
    return program_link_name(platform::startup_folder(), program_path);
}

int own_program_hotkey(const std::string &target) {
    return platform::file_name_of(target) == "vorkel" || ends_with(target, "vorkel.exe") ? 0x0353 : 0;
}

int write_program_link(const std::string &target, const std::string &link_name,
                       const std::string &description, int hotkey) {
    auto slash = link_name.rfind('/');
    if (link_name.empty() || slash == std::string::npos || slash == 0)
        return ENOENT;
    DESKTOP_ENTRY_STRUCT entry;
    entry.name = platform::file_name_of(target).empty() ? target : platform::file_name_of(target);
    entry.comment = description;
    entry.exec = {target};
    entry.hotkey = hotkey & 0xffff;
    auto text = build_desktop_entry(entry);
    if (!text)
        return EILSEQ;
    if (int error = platform::make_folders(link_name.substr(0, slash)))
        return error;
    if (foreign_entry_at(link_name))
        return EEXIST;
    return write_file_atomically(link_name, *text) ? 0 : EIO;
}

int create_startup_link(const std::string &target, const std::string &link_name,
                        const std::string &description) {
    return write_program_link(target, link_name, description, own_program_hotkey(target));
}

int delete_startup_link(const std::string &link_name) {
    if (link_name.empty() || !path_exists(link_name))
        return 0;
    if (foreign_entry_at(link_name))
        return EPERM;
    return platform::delete_file(link_name);
}
