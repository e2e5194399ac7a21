// SFXMutex: a binary semaphore, named or unnamed.
//
// lock(timeout_ms) returns true when the semaphore was taken; -1 waits
// without limit and always takes it. unlock() releases it, and only a
// taker whose lock returned true may call it. It is not re-entrant: a second lock
// by the same thread blocks (or times out) like any other taker.
//
// Unnamed: private to the object. Used as a routine-local static that
// serialises one routine.
//
// Named: every SFXMutex of the same name, in this process and in other
// Vorkel processes of the same user, excludes every other one. Inside the
// process a shared semaphore per name does it; across processes a lock file
// (platform/named_lock.h). A process that dies holding a named SFXMutex
// leaves it free for the next taker. When the lock file cannot be used (no
// runtime folder, or the system refuses the lock) the exclusion is
// process-local only: a wait without limit still takes the in-process
// semaphore, a timed wait reports failure.
//
// Lock order used in the program: "task_time_mutex" may be held while
// "get_cpu_and_other" is taken, never the reverse.
//
// Threads: any thread may lock and unlock; the thread that locked need not
// be the one that unlocks (it is a semaphore, not a mutex).
#pragma once

#include <memory>
#include <string>

class SFXMutex {
public:
    SFXMutex();
    explicit SFXMutex(const std::string &name);
    ~SFXMutex();
    SFXMutex(const SFXMutex &) = delete;
    SFXMutex &operator=(const SFXMutex &) = delete;

    bool lock(int timeout_ms = -1);
    void unlock();

    struct shared_state;

private:
    std::shared_ptr<shared_state> state_;
};

// Holds an SFXMutex for a scope, waiting at most timeout_ms (default:
// without limit, which always takes it). Releases it at the end of the
// scope only when it was taken; held() tells a timed wait's caller.
class SFXLock {
public:
    explicit SFXLock(SFXMutex &m, int timeout_ms = -1) : m_(m), held_(m_.lock(timeout_ms)) {}
    ~SFXLock() {
        if (held_)
            m_.unlock();
    }
    SFXLock(const SFXLock &) = delete;
    SFXLock &operator=(const SFXLock &) = delete;

    bool held() const { return held_; }

private:
    SFXMutex &m_;
    bool held_;
};
