// Tabout_form: the farewell window shown once at exit. Borderless,
// centred, 336 x 118 (design size), a 336 x 57 banner and a right-aligned
// bold two-line label. It stays 1.8 s, fades from opacity 250 down to 22
// in steps of 2 (one repaint and a 1 ms sleep each), then closes itself;
// the user cannot close it.
//
// GUI thread.
#pragma once

#include <QDialog>

class QLabel;
class QTimer;

class Tabout_form : public QDialog {
    Q_OBJECT
public:
    explicit Tabout_form(QWidget *owner = nullptr);

    QLabel *Label1 = nullptr;
    QTimer *cl = nullptr;
    QLabel *Image2 = nullptr;

    void clTimer();

    // The opacities the fade runs through, 250 down to 22. Pure.
    static std::vector<int> fade_steps();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool closing_ = false;
};

// The banner picture, 336 x 57 at the given device pixel ratio.
QPixmap about_banner(qreal device_pixel_ratio);

extern Tabout_form *about_form;

// Shows the window modally; returns after it has faded out and closed.
void show_about();
