// Test helpers shared by every test program.
//
// Before any test runs, test_main points HOME, XDG_CONFIG_HOME,
// XDG_DATA_HOME, XDG_RUNTIME_DIR (0700) and TMPDIR at a fresh scratch tree
// and disables the D-Bus session bus, so no test touches the real user's
// files or leaves a bus daemon behind.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace test_env {

// The scratch root made for this test program (removed at exit).
const std::string &scratch_root();

// A new empty folder below the scratch root.
std::string make_temp_dir(const std::string &prefix = "t");

// Whole-file helpers for prepared bytes.
std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &bytes);
bool file_exists(const std::string &path);

// Polls pred every 10 ms until it holds or the deadline passes.
bool wait_until(const std::function<bool()> &pred,
                std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Makes this process one without the right to raise priorities again, as
// an ordinary user's is, whoever runs the tests: drops CAP_SYS_NICE (for
// the programs it starts too) and sets the nice limit (RLIMIT_NICE) to 0.
// For helper processes only.
bool drop_right_to_raise_priorities();

// A child process the test starts and owns. The destructor kills it
// (SIGKILL) and reaps it if it still runs.
class child_process {
public:
    child_process() = default;
    // argv[0] is looked up in PATH when it has no '/'. extra_env entries
    // are "NAME=value" and replace the environment's own of that name.
    explicit child_process(const std::vector<std::string> &argv,
                           const std::vector<std::string> &extra_env = {},
                           const std::string &stdout_path = "");
    ~child_process();
    child_process(child_process &&other) noexcept;
    child_process &operator=(child_process &&other) noexcept;

    pid_t pid() const { return pid_; }
    bool running();
    // Waits for the end; returns the exit code, 128+signal when killed, or
    // -1 on timeout (the process is left running).
    int wait(std::chrono::milliseconds deadline = std::chrono::seconds(10));
    void kill_hard();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// A virtual X display (Xvfb) with a window manager and system tray
// (icewm), for tests that need a real display. Sets DISPLAY for this
// process while it lives.
class x_session {
public:
    explicit x_session(bool with_window_manager = true);
    ~x_session();
    const std::string &display() const { return display_; }
    bool ok() const { return ok_; }
    // Ends the window manager (and its tray) and starts a new one; true
    // once the new tray is ready.
    bool restart_window_manager();
    // Saves a PNG of the whole screen (needs ImageMagick's import).
    bool screenshot(const std::string &png_path) const;

private:
    bool start_window_manager();
    std::string display_;
    bool ok_ = false;
    pid_t xvfb_raw_pid = -1;
    child_process wm_;
};

// True when some client (the window manager's tray) owns the system tray
// selection of screen 0 on $DISPLAY.
bool tray_selection_owned();

// A window of the X display, as the tests look at it.
struct x_window {
    unsigned long id = 0;
    std::string name;      // WM_NAME
    std::string res_class; // WM_CLASS class part
    bool viewable = false;
    int width = 0, height = 0;
    bool in_tray = false; // docked into icewm's tray or trayer
};

// Every window on $DISPLAY whose WM_CLASS class or instance equals
// class_name (case-insensitive), in tree order.
std::vector<x_window> windows_of_class(const std::string &class_name);

// Runs a shell command and returns its standard output (trimmed of the
// final newline). Only for test tools such as xdotool and xprop.
std::string run_capture(const std::string &command, int *exit_code = nullptr);

} // namespace test_env
