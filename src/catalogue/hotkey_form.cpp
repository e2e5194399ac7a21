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
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

std::uint16_t hotkey_choice = 0;

Thotkey_form::Thotkey_form(QWidget *owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Hotkeys"));
    setObjectName(QStringLiteral("hotkey"));

    CheckBox1 = new QCheckBox(QStringLiteral("Ctrl"), this);
    CheckBox2 = new QCheckBox(QStringLiteral("Shift"), this);
    CheckBox3 = new QCheckBox(QStringLiteral("Alt"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setMaxLength(1);
    // Screen readers say what the box shows: the key beside Ctrl, Shift, Alt.
    Edit1->setAccessibleName(QStringLiteral("Key"));
    Edit1->setAlignment(Qt::AlignCenter);
    Edit1->setFixedWidth(Edit1->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3 + 8);
    for (QWidget *w : {static_cast<QWidget *>(CheckBox1), static_cast<QWidget *>(CheckBox2),
                       static_cast<QWidget *>(CheckBox3), static_cast<QWidget *>(Edit1)})
        w->setEnabled(false);

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
        close();
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
        return true;
    }
    if (k == VK_SHIFT_KEY || k == VK_CONTROL_KEY || k == VK_ALT_KEY) {
        if (!Timer1->isActive()) {
            Timer1->start();
            Edit1->clear();
        }
        return true;
    }
    return false;
}

void Thotkey_form::Button1Click() {
    const QString text = Edit1->text();
    const unsigned key = text.isEmpty() ? 0 : static_cast<unsigned char>(text.at(0).toLatin1());
    hotkey_choice =
        make_hotkey_word(key, CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked());
    close();
}

void Thotkey_form::Button2Click() { close(); }

bool Thotkey_form::key_event(QKeyEvent *event) {
    const unsigned k = virtual_key_of_qt_key(event->key(), event->modifiers().testFlag(Qt::KeypadModifier));
    return FormKeyDown(k, event->isAutoRepeat());
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

std::uint16_t ask_hotkey() {
    auto *form = new Thotkey_form(nullptr);
    form->setAttribute(Qt::WA_DeleteOnClose);
    pause_program_hotkeys(true);
    form->exec();
    pause_program_hotkeys(false);
    return hotkey_choice;
}

void give_row_hotkey(TGrid *grid) {
    const std::string path = row_path(grid, grid->current_row());
    hotkey_choice = ask_hotkey();
    if (!path.empty())
        create_hotkey_link(path, programs_link_name(path), std::string(), hotkey_choice);
    rescan_program_hotkeys();
}
