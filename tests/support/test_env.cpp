#include "support/test_env.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char **environ;

namespace test_env {

namespace {

void remove_tree(const std::string &path) {
    std::string cmd = "rm -rf '" + path + "'";
    if (std::system(cmd.c_str()) != 0) {
    }
}

struct scratch {
    std::string root;
    scratch() {
        char tmpl[] = "/tmp/vorkel-test-XXXXXX";
        char *made = mkdtemp(tmpl);
        if (!made) {
            perror("mkdtemp");
            std::abort();
        }
        root = made;
        auto sub = [&](const char *name) {
            std::string p = root + "/" + name;
            mkdir(p.c_str(), 0700);
            return p;
        };
        setenv("HOME", sub("home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", sub("home/.config").c_str(), 1);
        sub("home/.local");
        setenv("XDG_DATA_HOME", sub("home/.local/share").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", sub("run").c_str(), 1);
        setenv("TMPDIR", sub("tmp").c_str(), 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
        unsetenv("SESSION_MANAGER");
    }
    ~scratch() {
        if (!getenv("VORKEL_KEEP_SCRATCH"))
            remove_tree(root);
    }
};

std::atomic<int> temp_counter{0};

} // namespace

bool tray_selection_owned() {
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return false;
    Atom sel = XInternAtom(d, "_NET_SYSTEM_TRAY_S0", False);
    bool owned = XGetSelectionOwner(d, sel) != 0;
    XCloseDisplay(d);
    return owned;
}

namespace {

std::string lower(std::string s) {
    for (auto &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int ignore_x_errors(Display *, XErrorEvent *) { return 0; }

void walk(Display *d, Window w, bool under_tray, const std::string &want, std::vector<x_window> &out) {
    char *name = nullptr;
    std::string wname;
    if (XFetchName(d, w, &name) && name) {
        wname = name;
        XFree(name);
    }
    std::string inst, cls;
    XClassHint hint{};
    const bool has_class = XGetClassHint(d, w, &hint);
    if (has_class) {
        inst = hint.res_name ? hint.res_name : "";
        cls = hint.res_class ? hint.res_class : "";
        if (hint.res_name)
            XFree(hint.res_name);
        if (hint.res_class)
            XFree(hint.res_class);
    }
    // icewm's tray, or trayer's panel.
    bool tray_here = under_tray || wname == "SystemTray" || wname == "YXTrayEmbedder" || cls == "trayer";
    if (has_class) {
        if (lower(inst) == lower(want) || lower(cls) == lower(want)) {
            XWindowAttributes a{};
            x_window xw;
            xw.id = w;
            xw.name = wname;
            xw.res_class = cls;
            if (XGetWindowAttributes(d, w, &a)) {
                xw.viewable = a.map_state == IsViewable;
                xw.width = a.width;
                xw.height = a.height;
            }
            xw.in_tray = under_tray;
            out.push_back(xw);
        }
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n; ++i)
            walk(d, children[i], tray_here, want, out);
        if (children)
            XFree(children);
    }
}

} // namespace

std::vector<x_window> windows_of_class(const std::string &class_name) {
    std::vector<x_window> out;
    Display *d = XOpenDisplay(nullptr);
    if (!d)
        return out;
    auto old = XSetErrorHandler(ignore_x_errors);
    walk(d, DefaultRootWindow(d), false, class_name, out);
    XSync(d, False);
    XSetErrorHandler(old);
    XCloseDisplay(d);
    return out;
}

const std::string &scratch_root() {
    static scratch s;
    return s.root;
}

std::string make_temp_dir(const std::string &prefix) {
    std::string path = scratch_root() + "/tmp/" + prefix + "-" +
                       std::to_string(getpid()) + "-" + std::to_string(temp_counter++);
    mkdir(path.c_str(), 0700);
    return path;
}

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

bool wait_until(const std::function<bool()> &pred, std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (pred())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

child_process::child_process(const std::vector<std::string> &argv,
                             const std::vector<std::string> &extra_env,
                             const std::string &stdout_path) {
    std::vector<char *> args;
    for (auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    // extra_env replaces what the environment has under the same names
    // (the first of two entries would win).
    std::vector<std::string> env_store;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(extra_env.begin(), extra_env.end(),
                         [&](const std::string &x) { return x.rfind(name, 0) == 0; }))
            env_store.push_back(entry);
    }
    for (auto &e : extra_env)
        env_store.push_back(e);
    std::vector<char *> envp;
    for (auto &e : env_store)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);

    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        if (!stdout_path.empty()) {
            int fd = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                dup2(fd, 1);
                dup2(fd, 2);
                close(fd);
            }
        }
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
}

child_process::~child_process() {
    if (pid_ > 0 && running())
        kill_hard();
}

child_process::child_process(child_process &&o) noexcept : pid_(o.pid_), status_(o.status_) {
    o.pid_ = -1;
}

child_process &child_process::operator=(child_process &&o) noexcept {
    if (this != &o) {
        if (pid_ > 0 && running())
            kill_hard();
        pid_ = o.pid_;
        status_ = o.status_;
        o.pid_ = -1;
    }
    return *this;
}

bool child_process::running() {
    if (pid_ <= 0 || status_ != -1)
        return false;
    int st = 0;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
        status_ = st;
        return false;
    }
    return r == 0;
}

int child_process::wait(std::chrono::milliseconds deadline) {
    if (pid_ <= 0)
        return -1;
    if (!wait_until([&] { return !running(); }, deadline))
        return -1;
    if (WIFEXITED(status_))
        return WEXITSTATUS(status_);
    if (WIFSIGNALED(status_))
        return 128 + WTERMSIG(status_);
    return -1;
}

void child_process::kill_hard() {
    if (pid_ <= 0)
        return;
    if (running()) {
        ::kill(pid_, SIGKILL);
        int st = 0;
        if (waitpid(pid_, &st, 0) == pid_)
            status_ = st;
    }
}

std::string run_capture(const std::string &command, int *exit_code) {
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (!p) {
        if (exit_code)
            *exit_code = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int st = pclose(p);
    if (exit_code)
        *exit_code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

bool drop_right_to_raise_priorities() {
    // Out of the bounding set as well, so that programs it starts as root
    // do not get the capability back (without the right to use it this
    // fails, and is not needed).
    prctl(PR_CAPBSET_DROP, CAP_SYS_NICE, 0, 0, 0);
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {};
    if (syscall(SYS_capget, &head, caps) != 0)
        return false;
    const unsigned bit = 1u << (CAP_SYS_NICE % 32);
    auto &c = caps[CAP_SYS_NICE / 32];
    c.effective &= ~bit;
    c.permitted &= ~bit;
    c.inheritable &= ~bit;
    rlimit none{0, 0};
    return syscall(SYS_capset, &head, caps) == 0 && setrlimit(RLIMIT_NICE, &none) == 0;
}

x_session::x_session(bool with_window_manager) {
    // Xvfb picks a free display number itself and writes it to a pipe.
    int fds[2];
    if (pipe(fds) != 0)
        return;
    std::string fd_text = std::to_string(fds[1]);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        setpgid(0, 0);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        execlp("Xvfb", "Xvfb", "-displayfd", fd_text.c_str(), "-screen", "0", "1024x768x24",
               "-nolisten", "tcp", "-noreset", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty()) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return;
    }
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    xvfb_raw_pid = pid;
    ok_ = true;
    if (with_window_manager)
        start_window_manager();
}

bool x_session::start_window_manager() {
    static int runs = 0;
    wm_ = child_process({"icewm"}, {}, scratch_root() + "/tmp/icewm" + display_ + "-" + std::to_string(runs++) + ".log");
    // icewm is ready for tray icons once it owns the tray selection.
    return wait_until([] { return tray_selection_owned(); }, std::chrono::seconds(20));
}

bool x_session::restart_window_manager() {
    wm_.kill_hard();
    if (!wait_until([] { return !tray_selection_owned(); }, std::chrono::seconds(10)))
        return false;
    return start_window_manager();
}

x_session::~x_session() {
    wm_.kill_hard();
    if (xvfb_raw_pid > 0) {
        ::kill(xvfb_raw_pid, SIGKILL);
        waitpid(xvfb_raw_pid, nullptr, 0);
    }
    unsetenv("DISPLAY");
}

bool x_session::screenshot(const std::string &png_path) const {
    int code = 0;
    run_capture("import -window root '" + png_path + "' 2>/dev/null", &code);
    return code == 0;
}

} // namespace test_env
