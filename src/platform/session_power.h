// Ending the user's session and turning the machine off.
//
// may_power_off() plays the part of the shutdown privilege: true when the
// system's login manager says this user may power off without further
// questions. power_off() asks it to do so; true when the request was
// accepted. A test installs a fake so that nothing is ever switched off.
//
// Threads: GUI thread. The real implementation waits at most 2 seconds for
// each answer; no answer counts as "no" and as a refused request.
#pragma once

#include <memory>

namespace platform {

class session_power {
public:
    virtual ~session_power() = default;
    virtual bool may_power_off() = 0;
    virtual bool power_off() = 0;
};

// The current implementation (the login manager over D-Bus unless a fake
// was installed).
session_power &current_session_power();

// Installs p (null restores the real one).
void install_session_power(std::unique_ptr<session_power> p);

} // namespace platform
