#include "platform/registry.h"

#include <gtest/gtest.h>

TEST(Registry, KeyPathsMapToFilesUnderConfigHome) {
    EXPECT_EQ(platform::user_key_file("/c", "Software\\Orvane\\Vorkel"), "/c/Orvane/Vorkel.conf");
    EXPECT_EQ(platform::user_key_file("/c", "Software\\vorkel"), "/c/vorkel.conf");
    EXPECT_EQ(platform::user_key_file("/c", "Software\\..\\a/b"), "/c/_../a_b.conf");
}

TEST(Registry, ValuesSurviveReopening) {
    {
        auto key = platform::open_user_key("Software\\Orvane\\Vorkel");
        key->beginGroup("TTA");
        key->setValue("Col0", 123);
        key->endGroup();
    }
    auto again = platform::open_user_key("Software\\Orvane\\Vorkel");
    EXPECT_EQ(again->value("TTA/Col0").toInt(), 123);
}
