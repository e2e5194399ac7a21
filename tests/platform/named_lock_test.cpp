#include "platform/named_lock.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(NamedLock, LivesInPrivateRuntimeFolderAndExcludesOtherHolders) {
    std::string dir = platform::runtime_directory();
    ASSERT_FALSE(dir.empty());
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    platform::named_lock a("seam/test lock"), b("seam/test lock");
    ASSERT_TRUE(a.valid());
    EXPECT_TRUE(a.try_lock());
    EXPECT_FALSE(b.try_lock());
    EXPECT_FALSE(b.lock(20));
    a.unlock();
    EXPECT_TRUE(b.try_lock());
    b.unlock();
}

TEST(NamedLock, ChildProgramsDoNotInheritTheLock) {
    platform::named_lock held("seam_cloexec");
    ASSERT_TRUE(held.try_lock());
    // A program started while we hold the lock must not keep it after we
    // let go (programs Vorkel launches outlive it).
    test_env::child_process child({"sleep", "30"});
    held.unlock();
    platform::named_lock other("seam_cloexec");
    EXPECT_TRUE(other.try_lock());
    other.unlock();
}

TEST(NamedLock, NamesBelongToTheDisplayAndOnlyAHolderCountsAsBusy) {
    EXPECT_EQ(platform::session_of_display(":0"), ":0");
    EXPECT_EQ(platform::session_of_display(":0.1"), ":0");
    EXPECT_EQ(platform::session_of_display("unix:3.0"), ":3");
    EXPECT_EQ(platform::session_of_display("localhost:10.0"), "localhost:10");
    EXPECT_EQ(platform::session_of_display(""), "");
    EXPECT_EQ(platform::session_of_display(nullptr), "");

    const char *saved = getenv("DISPLAY");
    const std::string restore = saved ? saved : "";
    setenv("DISPLAY", ":91", 1);
    platform::named_lock first("seam session");
    ASSERT_TRUE(first.try_lock());
    platform::named_lock same("seam session");
    EXPECT_FALSE(same.try_lock());
    EXPECT_TRUE(same.busy());
    platform::named_lock user_lock("seam user", platform::LOCK_SCOPE::user);
    ASSERT_TRUE(user_lock.try_lock());
    setenv("DISPLAY", ":92.0", 1);
    platform::named_lock other_display("seam session");
    EXPECT_TRUE(other_display.try_lock()) << "a lock of another display must not exclude this one";
    EXPECT_FALSE(other_display.busy());
    platform::named_lock same_user("seam user", platform::LOCK_SCOPE::user);
    EXPECT_FALSE(same_user.try_lock()) << "a user's lock holds on every display";
    // A name longer than a file name may be (a deep folder's path).
    platform::named_lock long_name(std::string(400, 'x'), platform::LOCK_SCOPE::user);
    EXPECT_TRUE(long_name.try_lock());

    // A lock whose file cannot be opened fails, but nobody holds it.
    mkdir((platform::runtime_directory() + "/:92 seam unusable.lock").c_str(), 0700);
    platform::named_lock unusable("seam unusable");
    EXPECT_FALSE(unusable.valid());
    EXPECT_FALSE(unusable.try_lock());
    EXPECT_FALSE(unusable.busy());
    if (saved)
        setenv("DISPLAY", restore.c_str(), 1);
    else
        unsetenv("DISPLAY");
}
