#include "integration/private_bus.h"

using namespace std::chrono_literals;

private_bus::private_bus(const std::vector<std::string> &extra_env)
    : socket_(test_env::make_temp_dir("bus") + "/socket") {
    daemon_ = test_env::child_process({"unshare", "--pid", "--fork", "--kill-child", "--mount-proc",
                                       "dbus-daemon", "--session", "--nofork", "--address=" + address()},
                                      extra_env);
    ok_ = test_env::wait_until([&] { return test_env::file_exists(socket_); }, 20s);
}

std::string private_bus::call(const std::string &args) const {
    return test_env::run_capture("dbus-send --bus=" + address() + " --print-reply " + args + " 2>&1");
}

bool private_bus::has_owner(const std::string &name) const {
    return call("--dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner string:" + name)
               .find("boolean true") != std::string::npos;
}
