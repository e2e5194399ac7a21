#include "shell/start_options.h"

#include <gtest/gtest.h>

namespace {

int display_asks = 0;
bool reachable() {
    ++display_asks;
    return true;
}
bool unreachable() {
    ++display_asks;
    return false;
}

} // namespace

TEST(StartOptions, VersionAndHelpAnswerWithoutAskingForTheDisplay) {
    for (const char *option : {"--version", "--help", "-h"}) {
        display_asks = 0;
        const START_DECISION d = decide_start({"vorkel", option}, {}, unreachable);
        EXPECT_TRUE(d.exit_now) << option;
        EXPECT_EQ(d.exit_code, 0) << option;
        EXPECT_TRUE(d.err_text.empty()) << option;
        EXPECT_EQ(display_asks, 0) << option;
    }
    EXPECT_EQ(decide_start({"vorkel", "--version"}, {}, unreachable).out_text, version_text());
    EXPECT_EQ(version_text().rfind("vorkel ", 0), 0u);
    EXPECT_NE(decide_start({"vorkel", "--help"}, {}, unreachable).out_text.find("--version"),
              std::string::npos);
    // The first of the two wins.
    EXPECT_EQ(decide_start({"vorkel", "--help", "--version"}, {}, unreachable).out_text, help_text());
}

TEST(StartOptions, MissingDisplayEndsWithTwoAndOneLine) {
    START_DECISION d = decide_start({"vorkel"}, {"", "", ""}, unreachable);
    EXPECT_TRUE(d.exit_now);
    EXPECT_EQ(d.exit_code, exit_no_display);
    EXPECT_TRUE(d.out_text.empty());
    ASSERT_FALSE(d.err_text.empty());
    EXPECT_EQ(d.err_text.find('\n'), d.err_text.size() - 1); // exactly one line
    EXPECT_NE(d.err_text.find("X11 display"), std::string::npos);

    d = decide_start({"vorkel"}, {"", "", ":57"}, unreachable);
    EXPECT_EQ(d.exit_code, exit_no_display);
    EXPECT_NE(d.err_text.find(":57"), std::string::npos);

    // Explicitly asked for xcb, with options after the name.
    d = decide_start({"vorkel"}, {"xcb:nomitshm", "", ":57"}, unreachable);
    EXPECT_TRUE(d.exit_now);
    EXPECT_EQ(d.exit_code, exit_no_display);
}

TEST(StartOptions, ReachableDisplayRunsWithTheProgramsArguments) {
    display_asks = 0;
    const START_DECISION d = decide_start({"vorkel", "-style", "fusion"}, {"", "", ":0"}, reachable);
    EXPECT_FALSE(d.exit_now);
    EXPECT_EQ(display_asks, 1);
    EXPECT_EQ(d.qt_arguments, (std::vector<std::string>{"vorkel", "-style", "fusion"}));
}

TEST(StartOptions, WaylandSessionAsksForXcbUnlessTheUserChose) {
    START_DECISION d = decide_start({"vorkel"}, {"", "wayland-0", ":1"}, reachable);
    EXPECT_FALSE(d.exit_now);
    EXPECT_EQ(d.qt_arguments, (std::vector<std::string>{"vorkel", "-platform", "xcb"}));

    // A dead XWayland is still a missing X display.
    d = decide_start({"vorkel"}, {"", "wayland-0", ""}, unreachable);
    EXPECT_EQ(d.exit_code, exit_no_display);

    // The user's own choice stands, and another platform needs no X display.
    display_asks = 0;
    d = decide_start({"vorkel"}, {"wayland", "wayland-0", ""}, unreachable);
    EXPECT_FALSE(d.exit_now);
    EXPECT_EQ(d.qt_arguments, (std::vector<std::string>{"vorkel"}));
    d = decide_start({"vorkel", "-platform", "offscreen"}, {"", "wayland-0", ""}, unreachable);
    EXPECT_FALSE(d.exit_now);
    EXPECT_EQ(d.qt_arguments, (std::vector<std::string>{"vorkel", "-platform", "offscreen"}));
    EXPECT_EQ(display_asks, 0);
}
