#include "shell/data_paths.h"

#include "common/sfx_mutex.h"
#include "platform/files.h"
#include "platform/system_info.h"

#include <cstdlib>

std::string catalogue_path;
std::string icons_path;

namespace {

std::string strip_slash(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

} // namespace

std::string choose_data_directory(const std::string &executable_folder, const std::string &user,
                                  bool beside_executable, const std::string &xdg_data_home,
                                  const std::string &home) {
    if (beside_executable)
        return strip_slash(executable_folder + user);
    std::string base;
    if (!xdg_data_home.empty() && xdg_data_home[0] == '/')
        base = strip_slash(xdg_data_home);
    else
        base = strip_slash(home.empty() ? std::string("/tmp") : home) + "/.local/share";
    return base + "/vorkel/" + user;
}

bool installed_layout(const std::string &executable_folder) {
    const std::string bin = strip_slash(executable_folder);
    const std::size_t slash = bin.rfind('/');
    if (slash == std::string::npos || bin.compare(slash + 1, std::string::npos, "bin") != 0)
        return false;
    const std::string share = bin.substr(0, slash) + "/share/";
    return platform::path_exists(share + "applications/org.vorkel.Vorkel.desktop") ||
           platform::path_exists(share + "metainfo/org.vorkel.Vorkel.metainfo.xml");
}

namespace {
SFXMutex &directory_guard() {
    static SFXMutex guard;
    return guard;
}
std::string chosen_directory;
} // namespace

void use_data_directory(const std::string &folder) {
    SFXLock hold(directory_guard());
    chosen_directory = strip_slash(folder);
}

std::string data_directory() {
    SFXLock hold(directory_guard());
    std::string &chosen = chosen_directory;
    if (chosen.empty()) {
        std::string folder = platform::executable_folder();
        std::string user = platform::user_name();
        std::string primary = strip_slash(folder + user);
        bool usable =
            !installed_layout(folder) &&
            (platform::is_writable_folder(primary) ||
             (!platform::path_exists(primary) && platform::is_writable_folder(strip_slash(folder))));
        const char *xdg = getenv("XDG_DATA_HOME");
        const char *home = getenv("HOME");
        chosen = choose_data_directory(folder, user, usable, xdg ? xdg : "", home ? home : "");
    }
    return chosen;
}

void create_data_directory() {
    platform::make_folders(data_directory());
    // Temporary files of rewrites cut short by a kill or a crash; an hour
    // old, they belong to no write still under way.
    platform::remove_stale_temporary_files(data_directory(), 3600);
}

#define VORKEL_PATH_BUILDER(fn, file)                                                              \
    std::string fn() {                                                                             \
        static SFXMutex guard;                                                                     \
        SFXLock hold(guard);                                                                       \
        return data_directory() + "/" file;                                                        \
    }

VORKEL_PATH_BUILDER(catalogue_file_path, "vorkel.dat")
VORKEL_PATH_BUILDER(settings_file_path, "vorkel.set")
VORKEL_PATH_BUILDER(columns_file_path, "vorkel.ini")
VORKEL_PATH_BUILDER(statistics_file_path, "vorkel.glb")
VORKEL_PATH_BUILDER(icons_file_path, "links.dat")
