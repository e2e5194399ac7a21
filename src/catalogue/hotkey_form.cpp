#include "catalogue/hotkey_form.h"

#include "catalogue/hotkey_keys.h"
#include "catalogue/hotkey_links.h"
#include "catalogue/hotkey_watch.h"
#include "catalogue/shortcuts_page.h"
#include "platform/keyboard_state.h"
#include "toolkit/grid.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

std::uint16_t hotkey_choice = 0;

Thotkey_form::Thotkey_form(QWidget *owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Hotkeys"));
    setObjectName(QStringLiteral("hotkey"));

    CheckBox1 = new QCheckBox(QStringLiteral("Ctrl"), this);
    CheckBox2 = new QCheckBox(QStringLiteral("Shift"), this);
    CheckBox3 = new QCheckBox(QStringLiteral("Alt"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setMaxLength(1);
    Edit1->setAlignment(Qt::AlignCenter);
    Edit1->setFixedWidth(Edit1->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3 + 8);
    for (QWidget *w : {static_cast<QWidget *>(CheckBox1), static_cast<QWidget *>(CheckBox2),
                       static_cast<QWidget *>(CheckBox3), static_cast<QWidget *>(Edit1)})
        w->setEnabled(false);

    Label1 = new QLabel(this);
    Label1->setWordWrap(true);
    Label1->hide();

    Button1 = new QPushButton(QStringLiteral("Set"), this);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &Thotkey_form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Thotkey_form::Button2Click);

    auto *keys = new QHBoxLayout;
    keys->addWidget(CheckBox1);
    keys->addWidget(CheckBox2);
    keys->addWidget(CheckBox3);
    keys->addSpacing(8);
    keys->addWidget(Edit1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(keys);
    outer->addWidget(Label1);
    outer->addLayout(buttons);
    // Fixed size: exactly what the desktop font needs, not resizable.
    outer->setSizeConstraint(QLayout::SetFixedSize);

    Timer1 = new QTimer(this);
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &Thotkey_form::Timer1Timer);
    Timer1->start();

    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void Thotkey_form::Timer1Timer() {
    using namespace platform;
    CheckBox2->setChecked(key_down(VK_LSHIFT) || key_down(VK_RSHIFT));
    CheckBox1->setChecked(key_down(VK_LCONTROL) || key_down(VK_RCONTROL));
    CheckBox3->setChecked(key_down(VK_LMENU) || key_down(VK_RMENU));
}

bool Thotkey_form::FormKeyDown(unsigned k, bool auto_repeat) {
    if (k == VK_ESCAPE_KEY) {
        hotkey_choice = 0;
        accept();
        return true;
    }
    if (is_capture_key(k)) {
        // A held key repeats; only its first press counts, or the boxes
        // would toggle between frozen and following with each repeat.
        if (auto_repeat)
            return true;
        if (Timer1->isActive())
            Timer1->stop();
        else
            Timer1->start();
        Edit1->setText(QString(QLatin1Char(static_cast<char>(k))));
        tell_clash(!Timer1->isActive());
        return true;
    }
    if (k == VK_SHIFT_KEY || k == VK_CONTROL_KEY || k == VK_ALT_KEY) {
        if (!Timer1->isActive()) {
            Timer1->start();
            Edit1->clear();
            tell_clash(false);
        }
        return true;
    }
    return false;
}

std::uint16_t Thotkey_form::shown_word() const {
    const QString text = Edit1->text();
    const unsigned key = text.isEmpty() ? 0 : static_cast<unsigned char>(text.at(0).toLatin1());
    return make_hotkey_word(key, CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked());
}

void Thotkey_form::tell_clash(bool captured) {
    const std::uint16_t word = shown_word();
    const HOTKEY_CLASH_STRUCT clash =
        captured ? hotkey_clash(word, own_entry, hotkey_entry_folders()) : HOTKEY_CLASH_STRUCT{};
    const bool taken = clash.holder != HOTKEY_HOLDER::nobody && clash.holder != HOTKEY_HOLDER::unusable;
    Label1->setVisible(clash.holder != HOTKEY_HOLDER::nobody);
    Label1->setText(clash.holder == HOTKEY_HOLDER::nobody
                        ? QString()
                        : QString::fromLocal8Bit(hotkey_word_name(word) + ": " + hotkey_clash_reason(clash)));
    // Set loses the focus while it is not offered; it gets it back after.
    const bool had_focus = Button1->hasFocus();
    Button1->setEnabled(!taken);
    if (!taken && set_lost_focus_)
        Button1->setFocus();
    set_lost_focus_ = taken && (had_focus || set_lost_focus_);
}

void Thotkey_form::Button1Click() {
    hotkey_choice = shown_word();
    accept();
}

void Thotkey_form::Button2Click() { reject(); }

bool Thotkey_form::key_event(QKeyEvent *event) {
    const unsigned k = virtual_key_of_qt_key(event->key(), event->modifiers().testFlag(Qt::KeypadModifier));
    return FormKeyDown(k, event->isAutoRepeat());
}

bool Thotkey_form::event(QEvent *event) {
    // The whole keyboard while the dialog is active: a passive grab that
    // another program holds on a combination would take it away otherwise.
    // Given back as soon as the user turns to another window.
    if (event->type() == QEvent::WindowActivate) {
        grab_tries_ = 0;
        hold_keyboard();
    } else if (event->type() == QEvent::WindowDeactivate || event->type() == QEvent::Hide) {
        if (QWindow *window = windowHandle())
            window->setKeyboardGrabEnabled(false);
    }
    return QDialog::event(event);
}

void Thotkey_form::hold_keyboard() {
    // Another client may hold the keyboard for a moment (a window manager
    // switching windows): asked again a little later, for two seconds.
    QWindow *window = windowHandle();
    if (window && isActiveWindow() && !window->setKeyboardGrabEnabled(true) && ++grab_tries_ < 20)
        QTimer::singleShot(100, this, &Thotkey_form::hold_keyboard);
}

bool Thotkey_form::eventFilter(QObject *watched, QEvent *event) {
    // Key preview: the form sees each key before the control with the
    // focus. The keys it acts on go no further, so none of them comes back
    // to the form a second time as a key the control left unused.
    if (watched != this && event->type() == QEvent::KeyPress && key_event(static_cast<QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void Thotkey_form::keyPressEvent(QKeyEvent *event) {
    if (key_event(event)) {
        event->accept();
        return;
    }
    // Escape never reaches QDialog, which would close the dialog its own way.
    QDialog::keyPressEvent(event);
}

std::optional<std::uint16_t> ask_hotkey(const std::string &own_entry) {
    auto *form = new Thotkey_form(nullptr);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->own_entry = own_entry;
    pause_program_hotkeys(true);
    const bool answered = form->exec() == QDialog::Accepted;
    pause_program_hotkeys(false);
    if (!answered)
        return std::nullopt;
    return hotkey_choice;
}

void give_row_hotkey(TGrid *grid) {
    const std::string path = row_path(grid, grid->current_row());
    const std::string link = path.empty() ? std::string() : programs_link_name(path);
    const std::optional<std::uint16_t> word = ask_hotkey(link);
    if (!word || path.empty())
        return;
    create_hotkey_link(path, link, std::string(), *word);
    rescan_program_hotkeys();
}
