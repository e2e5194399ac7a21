#include "platform/launcher.h"
#include "platform/linux/descriptor_limit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace platform {

namespace {

// The environment Vorkel received, once kept; read after fork, so it is
// built completely before any program is started.
std::vector<std::string> g_received_store;
std::vector<char *> g_received;

// INT_MIN: programs inherit the starting thread's nice value.
std::atomic<int> g_started_nice{INT_MIN};

bool executable_file(const std::string &path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The file that exec would run, resolved before forking: after fork only
// async-signal-safe calls may be made (Vorkel has other threads).
std::string resolve_program(const std::string &name, int &error) {
    error = 0;
    if (name.empty()) {
        error = ENOENT;
        return {};
    }
    if (name.find('/') != std::string::npos) {
        if (name[0] == '/')
            return name;
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) {
            error = errno;
            return {};
        }
        return std::string(cwd) + "/" + name;
    }
    const char *path_var = std::getenv("PATH");
    std::string search = path_var ? path_var : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        std::size_t colon = search.find(':', start);
        std::string dir = search.substr(start, colon == std::string::npos ? std::string::npos
                                                                          : colon - start);
        // An empty PATH element means the current folder.
        std::string candidate = dir.empty() ? "./" + name : dir + "/" + name;
        if (executable_file(candidate))
            return candidate;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    error = ENOENT;
    return {};
}

void write_errno(int fd, int code) {
    while (write(fd, &code, sizeof code) < 0 && errno == EINTR) {
    }
}

// Runs in the forked grandchild: async-signal-safe calls only.
[[noreturn]] void exec_child(const char *file, char *const argv[], const char *dir, int report_fd, int max_fd,
                             int nice) {
    // Signal state is inherited across exec: give the program the defaults.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        sigaction(sig, &dfl, nullptr); // fails harmlessly for KILL, STOP and unused numbers

    // Lift the report pipe above the standard descriptors first, in case
    // Vorkel runs with one of them closed and the pipe took its number.
    int moved = fcntl(report_fd, F_DUPFD_CLOEXEC, 3);
    if (moved >= 0)
        report_fd = moved;
    if (dir && chdir(dir) != 0) {
        write_errno(report_fd, errno);
        _exit(127);
    }
    int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd > 0) {
        dup2(null_fd, 0);
        close(null_fd);
    }
    // Keep the report pipe at 3, close-on-exec, and nothing above it.
    if (report_fd != 3) {
        dup2(report_fd, 3);
        report_fd = 3;
    }
    fcntl(report_fd, F_SETFD, FD_CLOEXEC);
    if (close_range(4, ~0U, 0) != 0)
        for (int fd = 4; fd < max_fd; ++fd)
            close(fd);

    restore_descriptor_limit_in_child();
    // The thread that forked may run at a priority Vorkel took for itself
    // (the rescue); the program gets the one Vorkel had before, a higher
    // nice value, which any process may give itself.
    if (nice != INT_MIN)
        setpriority(PRIO_PROCESS, 0, nice);
    execve(file, argv, g_received.empty() ? environ : g_received.data());
    write_errno(report_fd, errno);
    _exit(127);
}

} // namespace

void set_started_program_nice(int nice) { g_started_nice = std::clamp(nice, -20, 19); }

void clear_started_program_nice() { g_started_nice = INT_MIN; }

void keep_received_environment() {
    g_received.clear();
    g_received_store.clear();
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "DESKTOP_STARTUP_ID=", 19) != 0)
            g_received_store.emplace_back(*e);
    for (auto &entry : g_received_store)
        g_received.push_back(entry.data());
    g_received.push_back(nullptr);
}

int start_detached(const std::vector<std::string> &argv, const std::string &working_directory) {
    if (argv.empty())
        return ENOENT;
    int error = 0;
    std::string file = resolve_program(argv[0], error);
    if (error)
        return error;

    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const char *dir = working_directory.empty() ? nullptr : working_directory.c_str();
    const int nice = g_started_nice;
    struct rlimit lim {};
    int max_fd = getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY &&
                         lim.rlim_cur < 65536
                     ? static_cast<int>(lim.rlim_cur)
                     : 65536;

    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it (close-on-exec), which the parent reads as success.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return errno;

    pid_t middle = fork();
    if (middle < 0) {
        int e = errno;
        close(report[0]);
        close(report[1]);
        return e;
    }
    if (middle == 0) {
        close(report[0]);
        setsid();
        pid_t child = fork();
        if (child < 0) {
            write_errno(report[1], errno);
            _exit(127);
        }
        if (child == 0)
            exec_child(file.c_str(), args.data(), dir, report[1], max_fd, nice);
        _exit(0);
    }

    close(report[1]);
    int code = 0;
    ssize_t got;
    do {
        got = read(report[0], &code, sizeof code);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    while (waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof code) ? code : 0;
}

std::string find_program(const std::string &argv0) {
    int error = 0;
    std::string file = resolve_program(argv0, error);
    return error || !executable_file(file) ? std::string() : file;
}

} // namespace platform
