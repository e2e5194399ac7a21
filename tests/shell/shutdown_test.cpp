#include "platform/message_box.h"
#include "platform/session_power.h"
#include "shell/shutdown_command.h"

#include <gtest/gtest.h>

namespace {

struct recording_power : platform::session_power {
    bool allowed = false;
    int power_offs = 0;
    bool may_power_off() override { return allowed; }
    bool power_off() override {
        ++power_offs;
        return true;
    }
};

struct shutdown_fixture : ::testing::Test {
    recording_power *power = nullptr;
    int questions = 0;
    std::string text, caption;
    unsigned flags = 0;
    int answer = platform::IDCANCEL;

    void SetUp() override {
        auto p = std::make_unique<recording_power>();
        power = p.get();
        platform::install_session_power(std::move(p));
        platform::set_message_box_handler([this](const std::string &t, const std::string &c, unsigned f) {
            ++questions;
            text = t;
            caption = c;
            flags = f;
            return answer;
        });
    }
    void TearDown() override {
        platform::set_message_box_handler(nullptr);
        struct refusing : platform::session_power {
            bool may_power_off() override { return false; }
            bool power_off() override { return false; }
        };
        platform::install_session_power(std::make_unique<refusing>());
    }
};

} // namespace

TEST_F(shutdown_fixture, WithoutTheRightNothingIsAskedOrDone) {
    power->allowed = false;
    N14Click(nullptr);
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(power->power_offs, 0);
}

TEST_F(shutdown_fixture, CancelChangesNothingAndOkPowersOff) {
    power->allowed = true;
    answer = platform::IDCANCEL;
    N14Click(nullptr);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(text, "End session and turn power off?");
    EXPECT_EQ(caption, "Shut down warning");
    EXPECT_EQ(flags, 0x31u);
    EXPECT_EQ(power->power_offs, 0);

    answer = platform::IDOK;
    N14Click(nullptr);
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(power->power_offs, 1);
}
