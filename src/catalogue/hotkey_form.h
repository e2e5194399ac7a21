// Thotkey_form, "Hotkeys": asks for the key combination that is to start
// a catalogued program.
//
// The three boxes show, every 10 ms (Timer1), whether Ctrl, Shift and Alt
// are held anywhere on the desktop. A letter or keypad key (the capture
// keys of hotkey_keys.h) stops the boxes and shows in Edit1; pressing it
// again, or pressing Shift, Ctrl or Alt, lets the boxes follow the
// keyboard again (a modifier also empties Edit1). "Set" stores the word
// of what is shown in hotkey_choice; Escape stores 0; "Cancel" and the
// close box leave hotkey_choice as it was and answer nothing: Set and
// Escape accept the dialog, the others reject it. The form sees every key
// before its controls do.
//
// While the dialog is the active window it holds the whole keyboard, so a
// combination another program has taken reaches it too. A captured
// combination that is taken already (by another program, another entry or
// the rescue key) is told in Label1, and "Set" is not offered for it.
//
// Threads: GUI thread only.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TGrid;

// The last answer of the dialog; 0 until the dialog was first answered.
// Nothing resets it before the dialog is shown again.
extern std::uint16_t hotkey_choice;

class Thotkey_form : public QDialog {
    Q_OBJECT
public:
    explicit Thotkey_form(QWidget *owner = nullptr);

    QCheckBox *CheckBox1 = nullptr; // "Ctrl", display only
    QCheckBox *CheckBox2 = nullptr; // "Shift", display only
    QCheckBox *CheckBox3 = nullptr; // "Alt", display only
    QLineEdit *Edit1 = nullptr;     // the captured key, display only
    QLabel *Label1 = nullptr;       // why the captured combination cannot be had; hidden when it can
    QPushButton *Button1 = nullptr; // "Set"
    QPushButton *Button2 = nullptr; // "Cancel"
    QTimer *Timer1 = nullptr;       // 10 ms, follows the modifier keys

    // The entry the combination is for: its own key is no clash.
    std::string own_entry;

    void Timer1Timer();
    // Key preview with the key's virtual-key code. True when the key is
    // one the form acts on (Escape, a capture key, Shift, Ctrl, Alt); it
    // then goes no further.
    bool FormKeyDown(unsigned virtual_key, bool auto_repeat = false);
    void Button1Click();
    void Button2Click();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool key_event(QKeyEvent *event);
    std::uint16_t shown_word() const;
    // Tells in Label1 who holds the captured combination, and offers Set
    // only when it can be had; empty when nothing is captured.
    void tell_clash(bool captured);
    void hold_keyboard();
    bool set_lost_focus_ = false;
    int grab_tries_ = 0;
};

// Shows a new Thotkey_form for own_entry modally (it frees itself when
// closed) and returns hotkey_choice, or nothing when the dialog was
// cancelled or closed. While it is open the keys of program hotkeys are
// released, so that any combination reaches the dialog.
std::optional<std::uint16_t> ask_hotkey(const std::string &own_entry = {});

// The "Hotkeys" command for the grid's current row: asks for a
// combination, writes the row's program's hotkey entry with it after Set
// (Escape: without a key), and has the program hotkeys taken afresh.
// Cancel and the close box write and change nothing. Nothing is reported;
// a row without a program path writes nothing.
void give_row_hotkey(TGrid *grid);
