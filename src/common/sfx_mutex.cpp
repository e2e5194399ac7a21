#include "common/sfx_mutex.h"

#include "platform/named_lock.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

namespace {

// The in-process binary semaphore. (std::binary_semaphore here makes a
// futex call at every release, waiter or not: a system call per cycle of
// the CPU sampler for nothing. A condition variable is signalled only
// when someone waits.)
class LOCAL_SEMAPHORE {
public:
    void acquire() {
        std::unique_lock<std::mutex> hold(guard_);
        freed_.wait(hold, [this] { return !taken_; });
        taken_ = true;
    }
    bool try_acquire_for(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> hold(guard_);
        if (!freed_.wait_for(hold, timeout, [this] { return !taken_; }))
            return false;
        taken_ = true;
        return true;
    }
    void release() {
        {
            std::lock_guard<std::mutex> hold(guard_);
            taken_ = false;
        }
        freed_.notify_one();
    }

private:
    std::mutex guard_;
    std::condition_variable freed_;
    bool taken_ = false;
};

} // namespace

struct SFXMutex::shared_state {
    LOCAL_SEMAPHORE local;
    std::unique_ptr<platform::named_lock> file; // null for unnamed
};

namespace {

// Named states live as long as the process: there are only a handful of
// names, and a state must outlive every object that refers to it.
std::shared_ptr<SFXMutex::shared_state> named_state(const std::string &name) {
    static std::mutex registry_guard;
    static std::map<std::string, std::shared_ptr<SFXMutex::shared_state>> registry;
    std::lock_guard<std::mutex> hold(registry_guard);
    auto &slot = registry[name];
    if (!slot) {
        slot = std::make_shared<SFXMutex::shared_state>();
        slot->file = std::make_unique<platform::named_lock>(name);
    }
    return slot;
}

} // namespace

SFXMutex::SFXMutex() : state_(std::make_shared<shared_state>()) {}

SFXMutex::SFXMutex(const std::string &name) : state_(named_state(name)) {}

SFXMutex::~SFXMutex() = default;

bool SFXMutex::lock(int timeout_ms) {
    using clock = std::chrono::steady_clock;
    // The clock is read only for a wait with a limit: the CPU sampler
    // takes its lock without one ten times a second.
    const auto start = timeout_ms < 0 ? clock::time_point() : clock::now();
    if (timeout_ms < 0)
        state_->local.acquire();
    else if (!state_->local.try_acquire_for(std::chrono::milliseconds(timeout_ms)))
        return false;

    if (!state_->file || !state_->file->valid())
        return true; // unnamed, or no runtime folder: process-local only

    int left = -1;
    if (timeout_ms >= 0) {
        auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start);
        left = std::max<int>(0, timeout_ms - static_cast<int>(spent.count()));
    }
    if (state_->file->lock(left))
        return true;
    // Waiting without limit fails only when the system refuses the lock
    // file (not through another holder): keep the in-process exclusion,
    // as without a runtime folder. Never hand back "not taken" here, or a
    // caller that cannot wait on would run unguarded.
    if (timeout_ms < 0)
        return true;
    state_->local.release();
    return false;
}

void SFXMutex::unlock() {
    if (state_->file && state_->file->valid())
        state_->file->unlock();
    state_->local.release();
}
