// Message boxes with the Windows flag and answer codes the program uses.
//
// Threads: GUI thread only. A test may install its own handler to answer
// boxes without a display.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace platform {

constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_OKCANCEL = 0x1;
constexpr unsigned MB_YESNO = 0x4;
constexpr unsigned MB_ICONERROR = 0x10;
constexpr unsigned MB_ICONQUESTION = 0x20;
constexpr unsigned MB_ICONWARNING = 0x30;
constexpr unsigned MB_ICONINFORMATION = 0x40;
constexpr unsigned MB_DEFBUTTON2 = 0x100; // the second button is the default

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal box (text, caption, buttons and icon from flags) and
// returns IDOK when its OK button was chosen, else IDCANCEL (Cancel, Esc,
// or the box ended unanswered because the program is ending), so a
// command interrupted by the program's exit does not carry on. A Yes/No
// box (MB_YESNO) returns IDYES only when Yes was chosen, else IDNO.
int message_box(const std::string &text, const std::string &caption, unsigned flags);
// The same, the box owned by the window owner (centred on it, kept above it).
int message_box(QWidget *owner, const std::string &text, const std::string &caption, unsigned flags);

using message_box_handler =
    std::function<int(const std::string &text, const std::string &caption, unsigned flags)>;

// Replaces the box (null restores the real one). Returns the previous handler.
message_box_handler set_message_box_handler(message_box_handler h);

} // namespace platform
