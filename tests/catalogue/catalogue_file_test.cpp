#include "catalogue/catalogue_file.h"
#include "catalogue/catalogue_file_format.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

using namespace std::string_literals;

namespace {

// Prepared bytes are built here by hand, independently of the encoder.
std::string le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
    return s;
}
std::string header(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
    return le32(a) + le32(b) + le32(c) + le32(d);
}
std::string field(const std::string &text) { return text + std::string(260 - text.size(), '\0'); }
std::string record(const std::string &path, std::int32_t show, std::int32_t startup,
                   std::int32_t reserved) {
    return field(path) + le32(show) + le32(startup) + le32(reserved);
}

std::vector<std::string> folder_entries(const std::string &dir) {
    std::vector<std::string> out;
    DIR *d = opendir(dir.c_str());
    while (dirent *e = readdir(d))
        if (e->d_name[0] != '.')
            out.push_back(e->d_name);
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

struct CatalogueFile : ::testing::Test {
    std::string dir = test_env::make_temp_dir("cat");
    std::string path = dir + "/vorkel.dat";
    LINK_MAP map;
    APP_LIST list;
};

} // namespace

TEST_F(CatalogueFile, CreateMakesEmptyHeaderOnlyWhenNoFileExists) {
    create_catalogue(path);
    EXPECT_EQ(test_env::read_file(path), header(16, 16, 0, 0));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    map["stale"] = {};
    list.push_back("stale");
    read_catalogue(path, map, list);
    EXPECT_TRUE(map.empty());
    EXPECT_TRUE(list.empty());

    std::string other = header(16, 16, 0, 0) + "tail";
    test_env::write_file(path, other);
    create_catalogue(path);
    EXPECT_EQ(test_env::read_file(path), other);
}

TEST_F(CatalogueFile, WritersProduceTheExactLayout) {
    LINK_MAP snapshot{{"/usr/bin/zed", {1, 0, 0}}, {"/opt/a b/\xc3\xa9\xff", {0, -1, 0}},
                      {"/opt/A", {0, 1, 0}}};
    write_catalogue(path, snapshot);
    write_never_add_list(path, APP_LIST{"/bin/x", "/bin/w"});
    std::string expected = header(832, 1352, 520, 0) + record("/opt/A", 0, 1, 0) +
                           record("/opt/a b/\xc3\xa9\xff", 0, -1, 0) +
                           record("/usr/bin/zed", 1, 0, 0) + field("/bin/x") + field("/bin/w");
    EXPECT_EQ(test_env::read_file(path), expected);

    read_catalogue(path, map, list);
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(map.at("/opt/a b/\xc3\xa9\xff").startup, -1);
    EXPECT_EQ(list, (APP_LIST{"/bin/x", "/bin/w"}));
    // Rewrites leave no temporary files behind.
    EXPECT_EQ(folder_entries(dir), std::vector<std::string>{"vorkel.dat"});
}

TEST_F(CatalogueFile, ReaderKeepsFirstOfDuplicatesAndWritersCarryEverythingElse) {
    std::string extra = "opaque\0bytes"s;
    std::string image = header(16 + 3 * 272, 16 + 3 * 272 + 260, 260, 12) +
                        record("/p", 1, 5, 77) + record("/p", 0, 0, 0) + record("/P", 0, 2, -9) +
                        field("/never") + extra;
    test_env::write_file(path, image);
    read_catalogue(path, map, list);
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at("/p").show_in_menu, 1);
    EXPECT_EQ(map.at("/p").reserved, 77);
    EXPECT_EQ(map.at("/P").reserved, -9);

    // Fewer records: section 2 follows section 1 directly, byte for byte,
    // and section 3 follows it.
    map.erase("/P");
    write_catalogue(path, map);
    EXPECT_EQ(test_env::read_file(path), header(288, 548, 260, 12) + record("/p", 1, 5, 77) +
                                             field("/never") + extra);

    // The never-add writer keeps section 1's raw records and section 3.
    write_never_add_list(path, APP_LIST{});
    EXPECT_EQ(test_env::read_file(path), header(288, 288, 0, 12) + record("/p", 1, 5, 77) + extra);
}

TEST_F(CatalogueFile, DamagedHeadersAreReadOnlyWithinTheFileAndKeptAsideOnWrite) {
    const std::string two = record("/a", 1, 0, 0) + record("/b", 0, 1, 0);
    struct CASE {
        const char *what;
        std::string image;
        std::size_t records;
        std::size_t banned;
    };
    std::vector<CASE> cases = {
        {"links_end past end", header(16 + 10 * 272, 0, 0, 0) + two, 2, 0},
        {"links_end below 16", header(8, 8, 0, 0) + two, 0, 0},
        {"partial record", header(16 + 272 + 100, 16 + 272 + 100, 0, 0) + two, 1, 0},
        {"list_size huge", header(16 + 544, 0, 0xfffffff0u, 0) + two + field("/n"), 2, 1},
        {"list_size partial", header(16 + 544, 0, 300, 0) + two + field("/n") + "xyz", 2, 1},
        {"extra past end", header(16 + 544, 16 + 544, 0, 0xffffffffu) + two, 2, 0},
        {"extra_offset huge", header(16 + 544, 0xffffffffu, 0, 4) + two, 2, 0},
        {"shorter than header", std::string("\x10\0\0\0\x10", 5), 0, 0},
        {"unterminated name", header(16 + 544, 16 + 544, 0, 0) + std::string(260, 'x') +
                                   le32(0) + le32(0) + le32(0) + record("/b", 0, 1, 0), 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        std::string d = test_env::make_temp_dir("damaged");
        std::string p = d + "/vorkel.dat";
        test_env::write_file(p, c.image);
        EXPECT_TRUE(split_catalogue(c.image).damaged);
        read_catalogue(p, map, list);
        EXPECT_EQ(map.size(), c.records);
        EXPECT_EQ(list.size(), c.banned);

        write_catalogue(p, map);
        EXPECT_EQ(test_env::read_file(p + ".damaged"), c.image);
        std::string fresh = test_env::read_file(p);
        EXPECT_FALSE(split_catalogue(fresh).damaged);
        LINK_MAP again;
        APP_LIST again_list;
        read_catalogue(p, again, again_list);
        EXPECT_EQ(again.size(), c.records);
        EXPECT_EQ(again_list.size(), c.banned);

        // The next damage does not overwrite the first one kept aside.
        test_env::write_file(p, c.image);
        write_never_add_list(p, list);
        EXPECT_EQ(test_env::read_file(p + ".damaged.1"), c.image);
    }
}

TEST_F(CatalogueFile, SoundFilesAreNotReportedDamagedNorKeptAside) {
    EXPECT_FALSE(split_catalogue("").damaged);
    EXPECT_FALSE(split_catalogue(header(16, 16, 0, 0)).damaged);
    // Bytes after the last section (left by an older in-place update)
    // are not damage: the header decides what is read.
    std::string image = header(288, 288, 0, 0) + record("/a", 0, 0, 0) + "leftover";
    EXPECT_FALSE(split_catalogue(image).damaged);
    test_env::write_file(path, image);
    write_catalogue(path, LINK_MAP{{"/a", {}}});
    EXPECT_FALSE(test_env::file_exists(path + ".damaged"));
    EXPECT_EQ(test_env::read_file(path), header(288, 288, 0, 0) + record("/a", 0, 0, 0));
}

TEST_F(CatalogueFile, PathsTooLongForTheFieldAreNeverWrittenCut) {
    std::string longest(259, 'a'), too_long(260, 'b');
    write_catalogue(path, LINK_MAP{{longest, {}}, {too_long, {}}});
    write_never_add_list(path, APP_LIST{too_long, longest});
    read_catalogue(path, map, list);
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(map.count(longest), 1u);
    EXPECT_EQ(list, APP_LIST{longest});
}

TEST_F(CatalogueFile, UnreachableFileChangesNothing) {
    std::string missing = dir + "/no/such/folder/vorkel.dat";
    map["/kept"] = {};
    list.push_back("/kept");
    read_catalogue(missing, map, list);
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(list.size(), 1u);
    write_catalogue(missing, map);
    EXPECT_FALSE(test_env::file_exists(missing));
}

TEST_F(CatalogueFile, RecordWithAnEmptyNameIsDamageNotAnUndeletableEntry) {
    const std::string image = header(16 + 544, 16 + 544, 0, 0) + record("", 1, 0, 0) + record("/b", 0, 1, 0);
    EXPECT_TRUE(split_catalogue(image).damaged);
    test_env::write_file(path, image);
    read_catalogue(path, map, list);
    EXPECT_EQ(map.count(""), 0u);
    EXPECT_EQ(map.size(), 1u);
    EXPECT_EQ(map.count("/b"), 1u);
}

TEST_F(CatalogueFile, RewritesCarryOnlySoundRecordsSoDamageIsKeptAsideOnce) {
    // Section 1 with an unterminated and an empty-named record, section 2
    // with an unterminated field: each writer carries the other section.
    const std::string bad_record = std::string(260, 'x') + le32(1) + le32(0) + le32(0);
    const std::string image = header(16 + 3 * 272, 16 + 3 * 272 + 520, 520, 0) + bad_record +
                              record("", 0, 0, 0) + record("/b", 0, 1, 9) + std::string(260, 'y') +
                              field("/n");
    for (int writer = 0; writer < 2; ++writer) {
        SCOPED_TRACE(writer == 0 ? "never-add writer" : "catalogue writer");
        std::string d = test_env::make_temp_dir("carry");
        std::string p = d + "/vorkel.dat";
        test_env::write_file(p, image);
        for (int round = 0; round < 3; ++round) {
            if (writer == 0)
                write_never_add_list(p, APP_LIST{"/n"});
            else
                write_catalogue(p, LINK_MAP{{"/b", {0, 1, 9}}});
        }
        EXPECT_EQ(test_env::read_file(p + ".damaged"), image);
        EXPECT_FALSE(test_env::file_exists(p + ".damaged.1")) << "the damage was carried into the new file";
        const std::string fresh = test_env::read_file(p);
        EXPECT_FALSE(split_catalogue(fresh).damaged);
        EXPECT_EQ(fresh, header(288, 548, 260, 0) + record("/b", 0, 1, 9) + field("/n"));
    }
}
