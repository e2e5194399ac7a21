#include "common/flags.h"

#include <chrono>
#include <thread>

std::atomic<bool> sampler_running{false};
std::atomic<bool> sampler_finished{true};
std::atomic<bool> logging_active{false};
std::atomic<bool> logger_finished{true};
std::atomic<bool> global_stat_running{false};
std::atomic<bool> global_stat_finished{true};
std::atomic<bool> list_visible{false};
std::atomic<bool> exit_requested{false};
std::atomic<bool> rescue_mode{false};

bool wait_for_flag(const std::atomic<bool> &flag, bool want, long max_polls) {
    for (long i = 0; max_polls < 0 || i < max_polls; ++i) {
        if (flag.load() == want)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return flag.load() == want;
}
