// The names an instance goes by: its title and its locks' names.
#include "shell/instance.h"

#include <gtest/gtest.h>

TEST(DefaultTitle, CutAtFirstDotAndLowerAfterFirstCharacter) {
    EXPECT_EQ(default_title("/opt/app/vorkel"), "vorkel");
    EXPECT_EQ(default_title("C/VORKEL.EXE"), "Vorkel");
    EXPECT_EQ(default_title("/x/My.Tool.bin"), "My");
    EXPECT_EQ(default_title("/x.y/vORKEL"), "vorkel"); // a dot in the folder does not count
    EXPECT_EQ(default_title("/usr/bin/.hidden"), "");
    EXPECT_EQ(guard_mutex_name("vorkel"), "vorkel.OneInstance32.CriticalSection");
    EXPECT_EQ(instance_mutex_name("Vorkel"), "VorkelOneInstance32.Default");
}
