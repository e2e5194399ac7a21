// The status panel draws its text from the font's glyph tables; it must
// look like the text layout's own drawing of the same line.
#include "support/qt_app.h"
#include "toolkit/status_panel.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>

namespace {

// Bounding box and count of the pixels that differ from the panel's
// background colour inside the text area (the frame left out).
struct INK {
    QRect box;
    int pixels = 0;
};

INK ink_of(const QImage &image, QColor background) {
    INK ink;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            if (image.pixelColor(x, y) != background) {
                ink.box |= QRect(x, y, 1, 1);
                ++ink.pixels;
            }
    return ink;
}

QImage render(TStatusPanel &panel) {
    QImage image(panel.size(), QImage::Format_RGB32);
    panel.render(&image);
    return image;
}

} // namespace

TEST(StatusPanel, GlyphLineMatchesTheTextLayout) {
    ensure_qt_application(true);
    for (const char *text : {"CPU usage 38%", "PHM 24683752/24226096", "VM 0/0"}) {
        TStatusPanel panel(150, QStringLiteral("PHM 99999999/99999999"));
        panel.resize(panel.sizeHint());
        panel.setText(QString::fromLatin1(text));
        const QColor background = panel.palette().color(panel.backgroundRole());
        const INK fast = ink_of(render(panel), background);

        // The same panel, the same text, through QPainter::drawText.
        TStatusPanel empty(150, QStringLiteral("PHM 99999999/99999999"));
        empty.resize(panel.size());
        QImage reference = render(empty);
        {
            QPainter p(&reference);
            p.setFont(panel.font());
            p.setPen(panel.palette().color(QPalette::WindowText));
            p.drawText(QRect(QPoint(0, 0), panel.size()).adjusted(4, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       QString::fromLatin1(text));
        }
        const INK slow = ink_of(reference, background);

        ASSERT_GT(slow.pixels, 20) << text;
        EXPECT_LE(std::abs(fast.box.left() - slow.box.left()), 1) << text;
        EXPECT_LE(std::abs(fast.box.top() - slow.box.top()), 1) << text;
        EXPECT_LE(std::abs(fast.box.bottom() - slow.box.bottom()), 1) << text;
        EXPECT_LE(std::abs(fast.box.right() - slow.box.right()), 2) << text;
        EXPECT_NEAR(fast.pixels, slow.pixels, slow.pixels / 10) << text;
    }
}

TEST(StatusPanel, TextTheFontLacksStillShowsAndAnEmptyTextShowsNothing) {
    ensure_qt_application(true);
    TStatusPanel panel(100, QStringLiteral("CPU usage 100%"));
    panel.resize(panel.sizeHint());
    const QColor background = panel.palette().color(panel.backgroundRole());
    EXPECT_EQ(ink_of(render(panel), background).pixels, 0);
    // A character outside every font: the text layout draws its stand-in box.
    panel.setText(QString::fromUtf8("CPU \xf4\x8f\xbf\xbd 5%"));
    EXPECT_GT(ink_of(render(panel), background).pixels, 20);
    panel.setText(QString());
    EXPECT_EQ(ink_of(render(panel), background).pixels, 0);
}

namespace {

// Records the rectangle of every paint.
class RECORDING_PANEL : public TStatusPanel {
public:
    using TStatusPanel::TStatusPanel;
    std::vector<QRect> painted;

protected:
    void paintEvent(QPaintEvent *event) override {
        painted.push_back(event->rect());
        TStatusPanel::paintEvent(event);
    }
};

} // namespace

TEST(StatusPanel, ANewTextRepaintsFromItsFirstChangedCharacter) {
    ensure_qt_application(true);
    RECORDING_PANEL panel(150, QStringLiteral("PHM 99999999/99999999"));
    panel.resize(panel.sizeHint());
    panel.show();
    panel.setText(QStringLiteral("PHM 24683752/24226096"));
    QCoreApplication::processEvents();
    panel.painted.clear();

    panel.setText(QStringLiteral("PHM 24683752/24226107"));
    QCoreApplication::processEvents();
    ASSERT_FALSE(panel.painted.empty());
    const int unchanged = panel.fontMetrics().horizontalAdvance(QStringLiteral("PHM 24683752/24226"));
    EXPECT_GE(panel.painted.back().left(), 4 + unchanged - 3) << "the unchanged part was painted again";
    EXPECT_EQ(panel.painted.back().right(), panel.width() - 1);
    // What shows is the same as a panel that drew the new text whole.
    TStatusPanel fresh(150, QStringLiteral("PHM 99999999/99999999"));
    fresh.resize(panel.size());
    fresh.setText(panel.text());
    QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, render(fresh));

    // A different first character: all of it.
    panel.painted.clear();
    panel.setText(QStringLiteral("VM 1/2"));
    QCoreApplication::processEvents();
    ASSERT_FALSE(panel.painted.empty());
    EXPECT_EQ(panel.painted.back(), panel.rect());
}

// Assistive technology reads each panel's text, as it is now.
TEST(StatusPanel, TextIsTheAccessibleName) {
    ensure_qt_application(true);
    TStatusPanel panel(150, QStringLiteral("PHM 99999999/99999999"));
    panel.setText(QStringLiteral("CPU usage 38%"));
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&panel);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::StaticText);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("CPU usage 38%"));
    panel.setText(QStringLiteral("CPU usage 39%"));
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("CPU usage 39%"));
    panel.set_text_deferred(QStringLiteral("CPU usage 40%"));
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("CPU usage 40%"));
}
