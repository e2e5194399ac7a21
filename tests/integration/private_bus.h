// A session bus of the test's own, so that nothing a test starts reaches
// the real user's bus. The daemon, and whatever it starts on demand (the
// accessibility bus and its registry), live in a process namespace that
// ends with the handle.
#pragma once

#include "support/test_env.h"

#include <string>
#include <vector>

class private_bus {
public:
    // extra_env: for the daemon and what it starts.
    explicit private_bus(const std::vector<std::string> &extra_env = {});
    bool ok() const { return ok_; }
    std::string address() const { return "unix:path=" + socket_; }

    // dbus-send on this bus with args; the reply as it prints it.
    std::string call(const std::string &args) const;
    bool has_owner(const std::string &name) const;

private:
    std::string socket_;
    test_env::child_process daemon_;
    bool ok_ = false;
};
