#include "platform/system_info.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(SystemInfo, ExecutableAndUser) {
    std::string exe = platform::executable_path();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(platform::executable_folder(), exe.substr(0, exe.rfind('/') + 1));
    EXPECT_EQ(platform::user_name(), test_env::run_capture("id -un"));
}
