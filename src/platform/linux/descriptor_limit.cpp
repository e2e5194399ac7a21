#include "platform/linux/descriptor_limit.h"

#include <atomic>
#include <cstdint>
#include <mutex>

#include <sys/resource.h>

namespace platform {

namespace {

constexpr rlim_t wanted = 16384;

struct rlimit original {};
std::atomic<bool> raised{false}; // set after original is written

} // namespace

std::size_t raise_descriptor_limit() {
    static std::once_flag once;
    static rlim_t in_force = 1024;
    std::call_once(once, [] {
        struct rlimit lim {};
        if (getrlimit(RLIMIT_NOFILE, &lim) != 0)
            return;
        in_force = lim.rlim_cur;
        if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < wanted &&
            (lim.rlim_max == RLIM_INFINITY || lim.rlim_max > lim.rlim_cur)) {
            struct rlimit more = lim;
            more.rlim_cur = lim.rlim_max == RLIM_INFINITY || lim.rlim_max > wanted ? wanted : lim.rlim_max;
            if (setrlimit(RLIMIT_NOFILE, &more) == 0) {
                original = lim;
                raised.store(true);
                in_force = more.rlim_cur;
            }
        }
    });
    return in_force == RLIM_INFINITY ? wanted : static_cast<std::size_t>(in_force);
}

std::size_t original_descriptor_limit() {
    struct rlimit lim {};
    if (raised.load())
        lim = original;
    else if (getrlimit(RLIMIT_NOFILE, &lim) != 0)
        return 0;
    return lim.rlim_cur == RLIM_INFINITY ? SIZE_MAX : static_cast<std::size_t>(lim.rlim_cur);
}

void restore_descriptor_limit_in_child() {
    if (raised.load())
        setrlimit(RLIMIT_NOFILE, &original);
}

} // namespace platform
