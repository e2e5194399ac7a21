// TStatusPanel: one panel of a status bar, a sunken box with a line of
// text. Unlike a label it never asks its layout to be redone when the text
// changes (its width is set once), so a text written ten times a second
// costs one repaint of the panel and nothing more.
//
// GUI thread only.
#pragma once

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

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString text_;
    int width_;
};
