#include "catalogue/icon_store.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <random>

using namespace std::string_literals;

namespace {

// Records are built here by hand, independently of icon_record.
std::string field(const std::string &text) { return text + std::string(260 - text.size(), '\0'); }
ICON_IMAGE filled(std::uint8_t v) {
    ICON_IMAGE image;
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(v + i % 7);
    return image;
}
std::string bytes(const ICON_IMAGE &image) { return std::string(image.begin(), image.end()); }

std::string folder_with_store() { return test_env::make_temp_dir("icons") + "/links.dat"; }

} // namespace

TEST(IconStoreFile, SetTwiceThenAnotherProgramGivesTheRecordLayout) {
    const std::string store = folder_with_store();
    ASSERT_TRUE(write_icon(store, "/usr/bin/a", filled(1)));
    std::string one = test_env::read_file(store);
    ASSERT_EQ(one.size(), 1028u);
    EXPECT_EQ(one.substr(0, 260), field("/usr/bin/a"));
    EXPECT_EQ(one.substr(260), bytes(filled(1)));

    ASSERT_TRUE(write_icon(store, "/usr/bin/a", filled(9)));
    std::string two = test_env::read_file(store);
    ASSERT_EQ(two.size(), 1028u);
    EXPECT_EQ(two.substr(0, 260), field("/usr/bin/a"));
    EXPECT_EQ(two.substr(260), bytes(filled(9)));

    ASSERT_TRUE(write_icon(store, "/usr/bin/b", filled(5)));
    std::string three = test_env::read_file(store);
    ASSERT_EQ(three.size(), 2056u);
    EXPECT_EQ(three.substr(0, 1028), two) << "the first record stays byte-identical";
    EXPECT_EQ(three.substr(1028), field("/usr/bin/b") + bytes(filled(5)));

    ICON_IMAGE got{};
    ASSERT_TRUE(read_icon(store, "/usr/bin/b", got));
    EXPECT_EQ(got, filled(5));
    ASSERT_TRUE(read_icon(store, "/usr/bin/a", got));
    EXPECT_EQ(got, filled(9));
}

TEST(IconStoreFile, LookupIsExactAndCaseSensitive) {
    std::string store = field("/opt/App") + bytes(filled(3));
    EXPECT_TRUE(find_icon_image(store, "/opt/App"));
    EXPECT_FALSE(find_icon_image(store, "/opt/app"));
    EXPECT_FALSE(find_icon_image(store, "/opt/Ap")) << "a prefix lacks the terminating zero at its end";
    EXPECT_FALSE(find_icon_image(store, "pt/App")) << "the end of a name is no name";
    EXPECT_FALSE(find_icon_image(store, ""));
    EXPECT_FALSE(find_icon_image(store, "/opt/App\0x"s));

    ICON_IMAGE got{};
    EXPECT_FALSE(read_icon(test_env::make_temp_dir("none") + "/links.dat", "/opt/App", got));
}

TEST(IconStoreFile, OnlyWholeNamesAtRecordStartsMatchSoAWriteNeverLandsInAnotherRecord) {
    // A path that ends another stored path, then a third program: each
    // keeps its own image.
    const std::string store = folder_with_store();
    const std::string jail = "/tmp/jail/usr/bin/xclock", xclock = "/usr/bin/xclock", third = "/usr/bin/xterm";
    ASSERT_TRUE(write_icon(store, jail, filled(1)));
    ASSERT_TRUE(write_icon(store, third, filled(3)));
    ASSERT_TRUE(write_icon(store, xclock, filled(2)));
    EXPECT_EQ(test_env::read_file(store), field(jail) + bytes(filled(1)) + field(third) + bytes(filled(3)) +
                                              field(xclock) + bytes(filled(2)));
    for (const auto &[path, image] : {std::pair{jail, filled(1)}, {third, filled(3)}, {xclock, filled(2)}}) {
        ICON_IMAGE got{};
        EXPECT_TRUE(read_icon(store, path, got) && got == image) << path;
    }

    // A name standing inside an image is no match either: setting it appends.
    std::string image(768, 'x');
    image.replace(100, 6, "/x/y\0\0"s);
    const std::string inside = field("/a") + image;
    EXPECT_FALSE(find_icon_record(inside, "/x/y"));
    const std::string after = store_with_icon(inside, "/x/y", filled(2));
    EXPECT_EQ(after, inside + field("/x/y") + bytes(filled(2)));
    EXPECT_EQ(find_icon_image(after, "/x/y"), filled(2));
}

TEST(IconStoreFile, DamagedStoresReadSafelyAndKeepTheirGoodRecords) {
    const std::string good = field("/p/one") + bytes(filled(1)) + field("/p/two") + bytes(filled(2));

    // A partial third record and a path field with no zero before the end.
    std::string torn = good + field("/p/three").substr(0, 200);
    std::string unterminated = good + std::string(300, 'q');
    std::string cut_image = good + field("/p/three") + std::string(100, 'i');
    for (const std::string &store : {torn, unterminated, cut_image}) {
        EXPECT_EQ(find_icon_image(store, "/p/two"), filled(2));
        EXPECT_FALSE(find_icon_image(store, "/p/three")) << "an image cut by the file's end is not read";
        EXPECT_FALSE(find_icon_image(store, "qqq"));
    }
    EXPECT_FALSE(find_icon_image("", "/p/one"));
    EXPECT_FALSE(find_icon_image("/p/one"s + '\0', "/p/one"));

    // Writing into the torn file: the old one is kept aside, the new one
    // holds the two good records and the new one, whole.
    const std::string dir = test_env::make_temp_dir("torn");
    const std::string store = dir + "/links.dat";
    test_env::write_file(store, torn);
    ASSERT_TRUE(write_icon(store, "/p/three", filled(3)));
    EXPECT_EQ(test_env::read_file(store), good + field("/p/three") + bytes(filled(3)));
    EXPECT_EQ(test_env::read_file(store + ".damaged"), torn);

    // A zero-byte store is simply empty.
    test_env::write_file(store, "");
    ASSERT_TRUE(write_icon(store, "/p/one", filled(4)));
    EXPECT_EQ(test_env::read_file(store), field("/p/one") + bytes(filled(4)));
}

TEST(IconStoreFile, TenMegabytesOfNoiseNeitherCrashNorLoseTheNewRecord) {
    std::mt19937 gen(42);
    std::string noise(10u << 20, '\0');
    for (char &c : noise)
        c = static_cast<char>(gen() & 0xff);
    const std::string store = test_env::make_temp_dir("noise") + "/links.dat";
    test_env::write_file(store, noise);
    ICON_IMAGE got{};
    EXPECT_FALSE(read_icon(store, "/usr/bin/program", got));
    ASSERT_TRUE(write_icon(store, "/usr/bin/program", filled(6)));
    ASSERT_TRUE(read_icon(store, "/usr/bin/program", got));
    EXPECT_EQ(got, filled(6));
    EXPECT_EQ(test_env::read_file(store).size() % 1028, 0u);
}

TEST(IconStoreFile, RefusesPathsThatDoNotFitAndLeavesTheStore) {
    const std::string store = folder_with_store();
    ASSERT_TRUE(write_icon(store, "/a", filled(1)));
    const std::string before = test_env::read_file(store);
    EXPECT_FALSE(write_icon(store, std::string(260, 'p'), filled(2)));
    EXPECT_FALSE(write_icon(store, "", filled(2)));
    EXPECT_TRUE(write_icon(store, "/" + std::string(258, 'p'), filled(2)));
    EXPECT_EQ(test_env::read_file(store).size(), 2056u);
    EXPECT_EQ(test_env::read_file(store).substr(0, 1028), before);
    EXPECT_FALSE(write_icon(test_env::make_temp_dir("ro") + "/missing/links.dat", "/a", filled(1)));
}
