// Cross-process exclusive locks known by name, per user and desktop
// session.
//
// A lock is a file in the user's runtime folder (runtime_directory()) held
// with flock(). That folder is shared by every session of the user, so the
// file's name of a session lock carries the session (session_name())
// besides the lock's name: copies on two displays never see each other's
// session locks. A user lock is one for all of the user's sessions (for
// what copies on several displays share, such as a data folder). A name
// too long for a file name is shortened to its start and a hash of the
// whole. The kernel drops the lock when the holding
// process dies, so a holder that crashed or was killed never blocks the next taker: an abandoned lock counts
// as free.
//
// Two named_lock objects of the same name exclude each other even inside
// one process (each has its own open file description). One object is not
// re-entrant in the semaphore sense; callers that need that (SFXMutex) add
// a process-local semaphore in front.
//
// Thread safety: one object is used by one thread at a time.
#pragma once

#include <string>

namespace platform {

// The per-user folder for lock files: $XDG_RUNTIME_DIR/vorkel when that is
// set and usable, else /tmp/vorkel-<uid>. Created mode 0700 on first use.
// Returns an empty string when no such folder can be made.
std::string runtime_directory();

// The desktop session lock names belong to: display_variable ($DISPLAY)
// without its screen number (":0.1" -> ":0", "unix:0" -> ":0"); empty
// when there is none. Pure.
std::string session_of_display(const char *display_variable);
// session_of_display(getenv("DISPLAY")).
std::string session_name();

enum class LOCK_SCOPE { session, user };

class named_lock {
public:
    explicit named_lock(const std::string &name, LOCK_SCOPE scope = LOCK_SCOPE::session);
    ~named_lock();
    named_lock(const named_lock &) = delete;
    named_lock &operator=(const named_lock &) = delete;

    // False when the lock file could not be opened; every lock then fails.
    bool valid() const { return fd_ >= 0; }

    // Takes the lock without waiting. True when taken.
    bool try_lock();

    // True when the last try_lock() failed because another holder has the
    // lock; false after any other failure (no file, a system error).
    bool busy() const { return busy_; }

    // Takes the lock, waiting at most timeout_ms milliseconds (-1: no
    // limit). True when taken.
    bool lock(int timeout_ms);

    void unlock();

private:
    int fd_ = -1;
    bool busy_ = false;
};

} // namespace platform
