#include "catalogue/icon_file_format.h"
#include "catalogue/icon_sources.h"
#include "icon_test_files.h"
#include "platform/file_icons.h"
#include "support/qt_app.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <chrono>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace icon_test;

namespace {

std::string png_image(QRgb colour, int side = 16, QImage::Format format = QImage::Format_ARGB32) {
    QImage image(side, side, format);
    if (format == QImage::Format_Mono) {
        image.setColorTable({qRgb(255, 255, 255), colour});
        image.fill(1);
    } else {
        image.fill(colour);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::uint32_t crc32(const std::string &bytes) {
    std::uint32_t c = 0xffffffffu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// A PNG that claims to be 20000 x 20000 pixels (its data is not there).
std::string huge_png() {
    auto be = [](std::uint32_t v) {
        std::string s;
        for (int i = 3; i >= 0; --i)
            s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
        return s;
    };
    std::string ihdr = "IHDR" + be(20000) + be(20000) + std::string("\x08\x06\0\0\0", 5);
    return std::string("\x89PNG\r\n\x1a\n", 8) + be(13) + ihdr + be(crc32(ihdr)) + be(0) + "IDAT" +
           be(crc32("IDAT"));
}

QRgb centre(const QImage &image) { return image.pixel(8, 8) | 0xff000000u; }

std::string write(const std::string &dir, const std::string &name, const std::string &bytes) {
    std::string path = dir + "/" + name;
    test_env::write_file(path, bytes);
    return path;
}

class IconSources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_qt_application(true); }
    void SetUp() override { dir = test_env::make_temp_dir("isrc"); }
    std::string dir;
};

} // namespace

TEST_F(IconSources, IcoFileGivesEveryImageInFileOrder) {
    std::string ico = ico_file(
        {{bitmap_image(qRgb(255, 0, 0))}, {png_image(qRgb(0, 0, 255))}, {bitmap_image(qRgb(0, 255, 0))}});
    std::vector<QImage> icons = icons_in_file(write(dir, "three.ICO", ico));
    ASSERT_EQ(icons.size(), 3u);
    EXPECT_EQ(centre(icons[0]), qRgb(255, 0, 0));
    EXPECT_EQ(centre(icons[1]), qRgb(0, 0, 255));
    EXPECT_EQ(centre(icons[2]), qRgb(0, 255, 0));
    for (const QImage &i : icons)
        EXPECT_EQ(i.size(), QSize(16, 16));
}

TEST_F(IconSources, IcoEntriesThatLieAreLeftOut) {
    const std::string good = bitmap_image(qRgb(10, 20, 30));
    std::string ico = ico_file({{good},
                                {good, 0xfffffff0u},                   // size past the end
                                {good, 0, 0x7fffffffu},                // offset past the end
                                {bitmap_image(qRgb(1, 2, 3), 100000)}, // absurd width
                                {good.substr(0, 100)},                 // pixels missing
                                {good}});
    std::vector<ICO_ENTRY> entries = ico_entries(ico);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(icons_in_file(write(dir, "liar.ico", ico)).size(), 2u);

    // A directory that claims more entries than the file holds.
    EXPECT_EQ(ico_entries(ico_file({{good}}, 500)).size(), 1u);
    EXPECT_TRUE(ico_entries("").empty());
    EXPECT_TRUE(ico_entries(std::string("\0\0\1\0", 4)).empty());
    EXPECT_TRUE(ico_entries(std::string("\0\0\2\0\1\0", 6)).empty()) << "cursor files are not icon files";
}

TEST_F(IconSources, FiveHundredEntriesGiveAHundred) {
    std::vector<ICO_PART> parts(500, ICO_PART{png_image(qRgb(9, 9, 9))});
    auto start = std::chrono::steady_clock::now();
    std::vector<QImage> icons = icons_in_file(write(dir, "many.ico", ico_file(parts)));
    EXPECT_EQ(icons.size(), 100u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(IconSources, HostileFilesGiveNothingQuickly) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(icons_in_file(write(dir, "noise.ico", std::string(5000, '\x5a'))).empty());
    EXPECT_TRUE(icons_in_file(write(dir, "huge.png", huge_png())).empty());
    EXPECT_TRUE(icons_in_file(write(dir, "empty.png", "")).empty());
    EXPECT_TRUE(icons_in_file(write(dir, "cut.png", png_image(qRgb(1, 1, 1)).substr(0, 40))).empty());
    // A 1 GB file (sparse, so the test costs no disk).
    std::string big = dir + "/big.ico";
    int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{1} << 30), 0);
    close(fd);
    EXPECT_TRUE(icons_in_file(big).empty());
    EXPECT_TRUE(icons_in_file(dir).empty()) << "a folder";
    EXPECT_TRUE(icons_in_file(dir + "/missing.ico").empty());
    std::string fifo = dir + "/pipe.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(icons_in_file(fifo).empty()) << "a pipe is never opened for reading";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(IconSources, SingleImagesAndDesktopFiles) {
    // Full colour and a two-colour palette, each larger than 16 pixels:
    // scaled down they keep their colour.
    for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_Mono}) {
        std::vector<QImage> png =
            icons_in_file(write(dir, "p.png", png_image(qRgb(200, 0, 200), 48, format)));
        ASSERT_EQ(png.size(), 1u);
        EXPECT_EQ(png[0].size(), QSize(16, 16));
        for (QPoint at : {QPoint(8, 8), QPoint(9, 8)})
            EXPECT_EQ(png[0].pixel(at) | 0xff000000u, qRgb(200, 0, 200)) << format;
    }

    std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='1000' height='1000'>"
                      "<rect width='1000' height='1000' fill='#00ff00'/></svg>";
    std::vector<QImage> vector_image = icons_in_file(write(dir, "v.svg", svg));
    ASSERT_EQ(vector_image.size(), 1u);
    EXPECT_EQ(centre(vector_image[0]), qRgb(0, 255, 0));

    std::string xpm = "/* XPM */\nstatic char *x[] = {\"2 2 1 1\", \"a c #0000FF\", \"aa\", \"aa\"};\n";
    std::vector<QImage> pixmap = icons_in_file(write(dir, "x.xpm", xpm));
    ASSERT_EQ(pixmap.size(), 1u);
    EXPECT_EQ(centre(pixmap[0]), qRgb(0, 0, 255));

    std::string icon = write(dir, "pic.png", png_image(qRgb(255, 128, 0)));
    EXPECT_EQ(icons_in_file(
                  write(dir, "a.desktop", "[Desktop Entry]\nType=Application\nName=a\nIcon=" + icon + "\n"))
                  .size(),
              1u);
    EXPECT_TRUE(icons_in_file(write(dir, "b.desktop", "[Desktop Entry]\nName=b\nIcon=" + dir + "/none.png\n"))
                    .empty())
        << "a desktop file naming a missing icon";
    EXPECT_TRUE(icons_in_file(write(dir, "c.desktop", "[Desktop Entry]\nName=c\nIcon=no-such-theme-icon-x\n"))
                    .empty());
}

TEST_F(IconSources, ProgramsShowTheirDesktopEntrysIcon) {
    std::string program = write(dir, "prog", "#!/bin/sh\n");
    chmod(program.c_str(), 0700);
    std::string icon = write(dir, "prog.png", png_image(qRgb(0, 128, 255)));
    std::string apps = std::string(std::getenv("XDG_DATA_HOME")) + "/applications";
    mkdir(std::getenv("XDG_DATA_HOME"), 0700);
    mkdir(apps.c_str(), 0700);
    test_env::write_file(apps + "/prog-src.desktop", "[Desktop Entry]\nType=Application\nName=p\nExec=" +
                                                         program + "\nIcon=" + icon + "\n");
    platform::refresh_program_icons();

    std::vector<QImage> icons = icons_in_file(program);
    ASSERT_EQ(icons.size(), 1u);
    EXPECT_EQ(centre(icons[0]), qRgb(0, 128, 255));
    QIcon shell = shell_icon(program);
    ASSERT_FALSE(shell.isNull());
    EXPECT_EQ(centre(shell.pixmap(16, 16).toImage()), qRgb(0, 128, 255));
    EXPECT_TRUE(shell_icon(dir + "/gone").isNull()) << "a missing file has no icon";
}

TEST_F(IconSources, StoredBytesAreBottomUpBlueGreenRed) {
    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    picture.setPixel(0, 15, qRgb(255, 0, 0)); // bottom left
    picture.setPixel(15, 0, qRgb(0, 0, 255)); // top right
    ICON_IMAGE bytes = icon_from_image(picture, QColor(10, 20, 30));
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(bytes[767 - 2], 255) << "top right pixel is the last, blue first";
    EXPECT_EQ(bytes[3], 30);
    EXPECT_EQ(bytes[4], 20);
    EXPECT_EQ(bytes[5], 10) << "transparent pixels take the background";

    QImage back = image_from_icon(bytes);
    EXPECT_EQ(back.pixel(0, 15) | 0xff000000u, qRgb(255, 0, 0));
    EXPECT_EQ(back.pixel(15, 0) | 0xff000000u, qRgb(0, 0, 255));
    EXPECT_EQ(back.pixel(5, 5) | 0xff000000u, qRgb(10, 20, 30));

    ICON_IMAGE blank = icon_from_image(QImage(), QColor(1, 2, 3));
    EXPECT_EQ(blank[0], 3);
    EXPECT_EQ(blank[767], 1);
}

TEST_F(IconSources, WindowsProgramsGiveOneSmallIconPerGroup) {
    std::string red16 = bitmap_image(qRgb(255, 0, 0));
    std::string green48 = png_image(qRgb(0, 255, 0), 48);
    std::string blue16 = bitmap_image(qRgb(0, 0, 255));
    std::string pe = pe_with_icons({{1, green48}, {2, red16}, {3, blue16}},
                                   {{{48, 32, 1}, {16, 32, 2}}, {{16, 32, 3}}, {{16, 32, 9}}});
    std::vector<std::string> icos = pe_small_icons(pe);
    ASSERT_EQ(icos.size(), 2u) << "a group whose image is missing gives nothing";
    std::vector<QImage> icons = icons_in_file(write(dir, "tool.exe", pe));
    ASSERT_EQ(icons.size(), 2u);
    EXPECT_EQ(centre(icons[0]), qRgb(255, 0, 0)) << "the 16-pixel image of the first group";
    EXPECT_EQ(centre(icons[1]), qRgb(0, 0, 255));

    // Only a 48-pixel image: it is taken, scaled.
    std::vector<QImage> only =
        icons_in_file(write(dir, "big.dll", pe_with_icons({{1, green48}}, {{{48, 32, 1}}})));
    ASSERT_EQ(only.size(), 1u);
    EXPECT_EQ(centre(only[0]), qRgb(0, 255, 0));

    // Every cut of the file, and damaged offsets, are read safely.
    for (std::size_t cut = 0; cut < pe.size(); cut += 7)
        pe_small_icons(std::string_view(pe).substr(0, cut));
    std::string bad = pe;
    bad[0x3c] = '\x7f';
    EXPECT_TRUE(pe_small_icons(bad).empty());
    bad = pe;
    for (std::size_t at = 0x200; at < 0x240; ++at)
        bad[at] = '\xff';
    EXPECT_TRUE(pe_small_icons(bad).empty());
    EXPECT_TRUE(pe_small_icons(std::string("MZ") + std::string(200, '\0')).empty());
}
