#include "catalogue/run_period_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

int startup_choice = 0;

Trun_period_form::Trun_period_form(QWidget *owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Startup options"));
    setObjectName(QStringLiteral("run_period"));

    Panel1 = new QFrame(this);
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    RadioButton1 = new QRadioButton(QStringLiteral("Add in windows startup"), Panel1);
    RadioButton2 = new QRadioButton(QStringLiteral("Launch with vorkel"), Panel1);
    RadioButton3 = new QRadioButton(QStringLiteral("Launch every"), Panel1);
    edit = new QSpinBox(Panel1);
    edit->setRange(0, 10000);
    edit->setValue(30);
    Label1 = new QLabel(QStringLiteral("min"), Panel1);
    // Screen readers name the minutes by the label beside them.
    Label1->setBuddy(edit);
    RadioButton1->setChecked(true);
    // The periodic launcher does not exist, so its choice is never offered.
    RadioButton3->setEnabled(false);
    edit->setEnabled(false);
    Label1->setEnabled(false);

    auto *panel_layout = new QGridLayout(Panel1);
    panel_layout->addWidget(RadioButton1, 0, 0, 1, 3);
    panel_layout->addWidget(RadioButton2, 1, 0, 1, 3);
    panel_layout->addWidget(RadioButton3, 2, 0);
    panel_layout->addWidget(edit, 2, 1);
    panel_layout->addWidget(Label1, 2, 2);
    panel_layout->setColumnStretch(3, 1);

    Button1 = new QPushButton(QStringLiteral("Set"), this);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    // Enter is handled by the key preview, never by a default button.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &Trun_period_form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Trun_period_form::Button2Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(Panel1);
    outer->addLayout(buttons);
    // Fixed size: exactly what the desktop font needs, not resizable.
    outer->setSizeConstraint(QLayout::SetFixedSize);

    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void Trun_period_form::Button1Click() {
    if (RadioButton1->isChecked())
        startup_choice = -1;
    else if (RadioButton2->isChecked())
        startup_choice = 1;
    else if (RadioButton3->isChecked())
        startup_choice = edit->value();
    answered_ = true;
    accept();
}

void Trun_period_form::Button2Click() {
    startup_choice = startup_choice_cancelled;
    answered_ = true;
    reject();
}

bool Trun_period_form::FormKeyDown(int key) {
    if (key != Qt::Key_Escape)
        return false;
    Button2Click();
    return true;
}

bool Trun_period_form::FormKeyPress(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    Button1Click();
    return true;
}

bool Trun_period_form::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent *>(event)->key();
        if (FormKeyDown(key) || FormKeyPress(key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Trun_period_form::keyPressEvent(QKeyEvent *event) {
    if (FormKeyDown(event->key()) || FormKeyPress(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Trun_period_form::closeEvent(QCloseEvent *event) {
    // Closing the window without an answer is a refusal: keeping the
    // previous answer would silently give this program another program's
    // start-up mode.
    if (!answered_) {
        startup_choice = startup_choice_cancelled;
        answered_ = true;
    }
    QDialog::closeEvent(event);
}

int ask_startup_mode() {
    auto *form = new Trun_period_form(nullptr);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->exec();
    return startup_choice;
}
