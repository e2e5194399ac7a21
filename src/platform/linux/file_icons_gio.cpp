// Desktop entries through GLib: GKeyFile reads the file, GDesktopAppInfo
// applies the rules of the format (Hidden, Type, TryExec) and the Exec
// line is split by GLib's shell rules, as the desktop itself does.
#include "platform/file_icons.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Desktop entries are small; a larger file in an applications folder is
// not read.
constexpr off_t max_entry_bytes = 1 << 20;
// Nested folders of an applications folder are followed this deep.
constexpr int max_folder_depth = 4;

std::string env_or(const char *name, const std::string &fallback) {
    const char *v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string real_path(const std::string &path) {
    char buf[PATH_MAX];
    return realpath(path.c_str(), buf) ? std::string(buf) : std::string();
}

// The stamp of one folder: what changes when an entry is added, removed
// or renamed in it, or when the folder itself is replaced.
struct FOLDER_STAMP {
    std::string path;
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    long long mtime_s = 0, mtime_ns = 0;
    bool operator==(const FOLDER_STAMP &o) const {
        return std::tie(path, exists, dev, ino, mtime_s, mtime_ns) ==
               std::tie(o.path, o.exists, o.dev, o.ino, o.mtime_s, o.mtime_ns);
    }
};

FOLDER_STAMP stamp_of(const std::string &folder) {
    FOLDER_STAMP s;
    s.path = folder;
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.mtime_s = st.st_mtim.tv_sec;
        s.mtime_ns = st.st_mtim.tv_nsec;
    }
    return s;
}

struct ICON_TABLE {
    std::mutex lock;
    bool built = false;
    std::vector<FOLDER_STAMP> stamps;         // every folder read, nested ones too
    std::map<std::string, std::string> icons; // executable -> icon reference
};

ICON_TABLE &table() {
    static ICON_TABLE t;
    return t;
}

// The executable a command names: a path as given, a bare name from PATH.
std::string resolve_program(const std::string &program) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return program[0] == '/' ? program : std::string();
    gchar *found = g_find_program_in_path(program.c_str());
    std::string out = found ? found : "";
    g_free(found);
    return out;
}

// The program an Exec line starts: its first word, or for "env VAR=x prog"
// the word after the assignments and options.
std::string exec_program(const char *exec) {
    if (!exec)
        return {};
    gint argc = 0;
    gchar **argv = nullptr;
    if (!g_shell_parse_argv(exec, &argc, &argv, nullptr))
        return {};
    std::string program;
    int i = 0;
    if (argc > 0) {
        program = argv[0];
        const char *slash = std::strrchr(argv[0], '/');
        if (std::string(slash ? slash + 1 : argv[0]) == "env") {
            program.clear();
            for (i = 1; i < argc; ++i) {
                std::string word = argv[i];
                if (word.empty() || word[0] == '-' || word.find('=') != std::string::npos)
                    continue;
                program = word;
                break;
            }
        }
    }
    g_strfreev(argv);
    return program;
}

void add_key(std::map<std::string, std::string> &icons, const std::string &program, const std::string &icon) {
    std::string path = resolve_program(program);
    if (path.empty())
        return;
    icons.emplace(path, icon); // the first entry found wins
    std::string real = real_path(path);
    if (!real.empty())
        icons.emplace(real, icon);
}

void read_entry(const std::string &file, std::map<std::string, std::string> &icons) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > max_entry_bytes)
        return;
    GKeyFile *kf = g_key_file_new();
    if (g_key_file_load_from_file(kf, file.c_str(), G_KEY_FILE_NONE, nullptr)) {
        gchar *icon =
            g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_ICON, nullptr);
        // Non-applications and entries whose TryExec is not installed give
        // no info object; hidden ones are dropped below.
        GDesktopAppInfo *info = icon && *icon ? g_desktop_app_info_new_from_keyfile(kf) : nullptr;
        if (info && g_desktop_app_info_get_is_hidden(info)) {
            g_object_unref(info);
            info = nullptr;
        }
        if (info) {
            gchar *exec =
                g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
            gchar *try_exec =
                g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, nullptr);
            add_key(icons, exec_program(exec), icon);
            if (try_exec)
                add_key(icons, try_exec, icon);
            g_free(exec);
            g_free(try_exec);
            g_object_unref(info);
        }
        g_free(icon);
    }
    g_key_file_free(kf);
}

// Reads the entries of folder (ids prefixed with prefix) whose id was not
// seen in an earlier folder; records the stamps of the folders read.
void read_folder(const std::string &folder, const std::string &prefix, int depth, std::set<std::string> &seen,
                 ICON_TABLE &t, std::map<std::string, std::string> &icons) {
    t.stamps.push_back(stamp_of(folder));
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::pair<std::string, bool>> names;
    while (dirent *e = readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        names.emplace_back(name, e->d_type == DT_DIR);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const auto &[name, is_dir] : names) {
        std::string path = folder + "/" + name;
        if (is_dir) {
            if (depth < max_folder_depth)
                read_folder(path, prefix + name + "-", depth + 1, seen, t, icons);
            continue;
        }
        if (name.size() <= 8 || name.compare(name.size() - 8, 8, ".desktop") != 0)
            continue;
        if (!seen.insert(prefix + name).second)
            continue; // hidden by an entry of the same id in an earlier folder
        read_entry(path, icons);
    }
}

bool folders_changed(const ICON_TABLE &t) {
    std::vector<std::string> folders = application_folders();
    std::size_t top = 0;
    for (const FOLDER_STAMP &s : t.stamps) {
        if (stamp_of(s.path) != s)
            return true;
        if (top < folders.size() && s.path == folders[top])
            ++top;
    }
    return top != folders.size();
}

void rebuild(ICON_TABLE &t) {
    t.stamps.clear();
    std::map<std::string, std::string> icons;
    std::set<std::string> seen;
    for (const std::string &folder : application_folders())
        read_folder(folder, "", 0, seen, t, icons);
    t.icons.swap(icons);
    t.built = true;
}

} // namespace

std::vector<std::string> application_folders() {
    std::string home = env_or("HOME", "");
    std::string data_home = env_or("XDG_DATA_HOME", home.empty() ? "" : home + "/.local/share");
    std::vector<std::string> out;
    if (!data_home.empty() && data_home[0] == '/')
        out.push_back(data_home + "/applications");
    std::string dirs = env_or("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    std::size_t from = 0;
    while (from <= dirs.size()) {
        std::size_t colon = dirs.find(':', from);
        std::string d = dirs.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
        while (d.size() > 1 && d.back() == '/')
            d.pop_back();
        if (!d.empty() && d[0] == '/') {
            std::string folder = d + "/applications";
            if (std::find(out.begin(), out.end(), folder) == out.end())
                out.push_back(folder);
        }
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    return out;
}

void refresh_program_icons() {
    ICON_TABLE &t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    if (!t.built || folders_changed(t))
        rebuild(t);
}

std::string program_icon(const std::string &path) {
    if (path.empty())
        return {};
    ICON_TABLE &t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    if (!t.built)
        rebuild(t);
    auto it = t.icons.find(path);
    if (it == t.icons.end()) {
        std::string real = real_path(path);
        if (!real.empty())
            it = t.icons.find(real);
    }
    return it == t.icons.end() ? std::string() : it->second;
}

std::string desktop_file_icon(const std::string &path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > max_entry_bytes)
        return {};
    GKeyFile *kf = g_key_file_new();
    std::string out;
    if (g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        gchar *icon =
            g_key_file_get_string(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_ICON, nullptr);
        if (icon)
            out = icon;
        g_free(icon);
    }
    g_key_file_free(kf);
    return out;
}

std::vector<std::string> file_type_icons(const std::string &path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0)
        return {};
    std::vector<std::string> names;
    if (S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0)
        names.push_back("application-x-executable");
    // Only regular files are looked into; for others the name decides.
    GFile *file = g_file_new_for_path(path.c_str());
    GFileInfo *info = g_file_query_info(file,
                                        S_ISREG(st.st_mode) ? G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE
                                                            : G_FILE_ATTRIBUTE_STANDARD_FAST_CONTENT_TYPE,
                                        G_FILE_QUERY_INFO_NONE, nullptr, nullptr);
    if (info) {
        const char *type = g_file_info_get_attribute_string(
            info, S_ISREG(st.st_mode) ? G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE
                                      : G_FILE_ATTRIBUTE_STANDARD_FAST_CONTENT_TYPE);
        if (type) {
            GIcon *icon = g_content_type_get_icon(type);
            if (icon && G_IS_THEMED_ICON(icon)) {
                const gchar *const *list = g_themed_icon_get_names(G_THEMED_ICON(icon));
                for (; list && *list; ++list)
                    if (std::find(names.begin(), names.end(), *list) == names.end())
                        names.emplace_back(*list);
            }
            if (icon)
                g_object_unref(icon);
        }
        g_object_unref(info);
    }
    g_object_unref(file);
    return names;
}

} // namespace platform
