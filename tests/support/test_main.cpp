#include "support/test_env.h"

#include "platform/session_power.h"
#include "shell/data_paths.h"

#include <gtest/gtest.h>

namespace {
// No test may ever switch the machine off: every test program starts with
// a power source that refuses.
struct refusing_power : platform::session_power {
    bool may_power_off() override { return false; }
    bool power_off() override { return false; }
};
} // namespace

int main(int argc, char **argv) {
    test_env::scratch_root(); // sets up the private environment first
    platform::install_session_power(std::make_unique<refusing_power>());
    // Each test process gets a data folder of its own: tests of one program
    // run side by side under ctest and must not share vorkel.set.
    use_data_directory(test_env::scratch_root() + "/data");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
