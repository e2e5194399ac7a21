#include "support/test_env.h"

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    test_env::scratch_root(); // sets up the private environment first
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
