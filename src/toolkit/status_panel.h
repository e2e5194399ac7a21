// TStatusPanel: one panel of a status bar, a sunken box with a line of
// text. Written ten times a second while the window is shown, so a new
// text must cost little:
// - it never asks its layout to be redone (its width is set once);
// - it is opaque: Qt paints neither the status bar nor the window behind
//   it;
// - the sunken frame is drawn once into a picture and copied from there;
// - the text is laid out glyph by glyph from the font's own tables
//   (advances, no shaping), ASCII glyphs looked up once per font. Panel
//   texts are short ASCII lines ("CPU usage 12%", "PHM 123/456") that
//   need nothing more; any other text (beyond ASCII, or with a character
//   the font lacks) goes through the full text layout instead;
// - a new text repaints only from its first changed character on.
//
// Assistive technology (QAccessible, AT-SPI on Linux) reads the panel as
// static text whose name is the panel's text; a change is announced only
// while some assistive technology listens (QAccessible::isActive()), so
// the ten-per-second updates cost nothing more otherwise.
//
// GUI thread only.
#pragma once

#include <QGlyphRun>
#include <QPixmap>
#include <QRawFont>
#include <QString>
#include <QWidget>

class TStatusPanel : public QWidget {
    Q_OBJECT
public:
    // design_width: the width at 96 dpi; widened to fit sample_text in the
    // panel's font.
    TStatusPanel(int design_width, const QString &sample_text, QWidget *parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString &text);
    // As setText, but leaves the repaint to the caller: returns the part
    // of the panel (its own coordinates) that must be painted, empty when
    // the text is the same. For a status bar that repaints all its panels
    // in one pass.
    QRect set_text_deferred(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The frame picture for the current size, palette and style.
    const QPixmap &frame_picture();
    // Glyphs of text_ in run_; false when the font lacks one of them.
    bool lay_out_glyphs();

    QString text_;
    int width_;
    QPixmap frame_;
    qint64 frame_palette_ = -1;
    QRawFont raw_font_;
    quint32 ascii_glyph_[128] = {}; // of raw_font_; 0: the font lacks it
    qreal ascii_advance_[128] = {};
    QGlyphRun run_;
    bool run_valid_ = false;
};
