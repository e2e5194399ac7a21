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
