// The test script names the tests that passed only when run again: a run
// of ctest with its retry on a small prepared project, then the script
// that reads that run's log.
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Output of a shell command (stdout and stderr), and its exit status.
std::string run(const std::string &command, int &status) {
    std::string out;
    FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    status = pclose(p);
    return out;
}

} // namespace

TEST(TestScript, NamesTestsThatPassedOnlyOnTheRetry) {
    const std::string dir = test_env::make_temp_dir("ctest");
    // One test that fails its first run only, one that always passes, one
    // that always fails.
    test_env::write_file(dir + "/CMakeLists.txt",
                         "cmake_minimum_required(VERSION 3.25)\nproject(retry NONE)\nenable_testing()\n"
                         "add_test(NAME once_flaky COMMAND sh -c \"if [ -e ran ]; then exit 0; fi; "
                         "touch ran; echo first run fails; exit 1\")\n"
                         "add_test(NAME always_good COMMAND true)\n"
                         "add_test(NAME always_bad COMMAND false)\n");
    int status = 0;
    const std::string configure = run("cmake -S '" + dir + "' -B '" + dir + "/b' >/dev/null", status);
    ASSERT_EQ(status, 0) << configure;
    run("cd '" + dir + "/b' && ctest -j2 --repeat until-pass:2", status);
    EXPECT_NE(status, 0) << "always_bad fails both runs";

    const std::string report = run(std::string("'") + VORKEL_SOURCE_DIR + "/scripts/retried_tests.sh' '" +
                                       dir + "/b/Testing/Temporary/LastTest.log'",
                                   status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(report.find("passed only when run again"), std::string::npos) << report;
    EXPECT_NE(report.find("once_flaky"), std::string::npos) << report;
    EXPECT_EQ(report.find("always_good"), std::string::npos) << report;
    EXPECT_EQ(report.find("always_bad"), std::string::npos) << report;

    // A run without retries names nothing.
    run("cd '" + dir + "/b' && ctest -R always_good", status);
    EXPECT_EQ(run(std::string("'") + VORKEL_SOURCE_DIR + "/scripts/retried_tests.sh' '" + dir +
                      "/b/Testing/Temporary/LastTest.log'",
                  status),
              "");
}
