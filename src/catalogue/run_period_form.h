// Trun_period_form, "Startup options": asks how a catalogued program is to
// start (at the user's login through an autostart entry, or with Vorkel).
//
// The answer goes to startup_choice: -1 "Add in windows startup", 1
// "Launch with vorkel", N the minutes of "Launch every" (shown disabled:
// nothing offers it), -100 cancelled. Enter anywhere in the dialog acts as
// "Set", Escape and the close box as "Cancel".
//
// Threads: GUI thread only.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The last answer of the dialog; 0 until the dialog was first answered.
extern int startup_choice;

// The value startup_choice takes when the user declines.
constexpr int startup_choice_cancelled = -100;

class Trun_period_form : public QDialog {
    Q_OBJECT
public:
    explicit Trun_period_form(QWidget *owner = nullptr);

    QFrame *Panel1 = nullptr;
    QRadioButton *RadioButton1 = nullptr; // "Add in windows startup"
    QRadioButton *RadioButton2 = nullptr; // "Launch with vorkel"
    QRadioButton *RadioButton3 = nullptr; // "Launch every"
    QSpinBox *edit = nullptr;             // minutes for RadioButton3
    QLabel *Label1 = nullptr;             // "min"
    QPushButton *Button1 = nullptr;       // "Set"
    QPushButton *Button2 = nullptr;       // "Cancel"

    void Button1Click();
    void Button2Click();
    // Key preview: Escape anywhere runs Cancel; true when the key was used.
    bool FormKeyDown(int key);
    // Enter anywhere runs Set; true when the key was used.
    bool FormKeyPress(int key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool answered_ = false;
};

// Shows a new Trun_period_form modally (it frees itself when closed) and
// returns startup_choice.
int ask_startup_mode();
