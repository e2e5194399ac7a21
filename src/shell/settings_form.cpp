#include "shell/settings_form.h"

#include "catalogue/link_map.h"
#include "common/file_io.h"
#include "platform/message_box.h"
#include "shell/data_paths.h"
#include "shell/settings.h"
#include "shell/settings_apply.h"
#include "toolkit/grid.h"
#include "toolkit/slider.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

Tsettings_form *settings_form = nullptr;

namespace {

constexpr int design_width = 352;
constexpr int design_height = 278;
constexpr int bottom_panel_height = 41;
constexpr int preview_side = 49;

const char *const restore_caption = "Restore defaults warning";

bool user_confirms(const char *question) {
    return platform::message_box(question, restore_caption, platform::MB_OKCANCEL | platform::MB_ICONWARNING) ==
           platform::IDOK;
}

// Colour value = value x 0x010101: red, green and blue all take the value.
void show_grey(QFrame *preview, int value) {
    QPalette pal = preview->palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(static_cast<QRgb>(value & 0xFF) * 0x010101u));
    preview->setPalette(pal);
}

QFrame *make_preview(QWidget *parent) {
    auto *f = new QFrame(parent);
    f->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    f->setLineWidth(1);
    f->setAutoFillBackground(true);
    f->setFixedSize(preview_side, preview_side);
    return f;
}

TRxSlider *make_slider(QWidget *parent, int minimum, int maximum, int increment, bool points, bool smooth) {
    auto *s = new TRxSlider(parent);
    s->set_range(minimum, maximum);
    s->set_increment(increment);
    s->set_points_shown(points);
    s->set_smooth(smooth);
    return s;
}

QLabel *make_label(const QString &text, QWidget *parent, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto *l = new QLabel(text, parent);
    l->setAlignment(align);
    return l;
}

QPushButton *make_button(const QString &text, QWidget *parent) {
    auto *b = new QPushButton(text, parent);
    // Enter must not fire a restore or "Set" that the user did not point at.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

} // namespace

Tsettings_form::Tsettings_form(QWidget *owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Settings"));
    // Fixed border with the system menu (and its close box) only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    PageControl1 = new QTabWidget(this);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("Update time"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Colors"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Others"));
    PageControl1->setCurrentWidget(TabSheet1);
    PageControl1->setAccessibleName(windowTitle());

    build_update_page();
    build_colors_page();
    build_others_page();
    build_bottom_panel();

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(PageControl1, 1);
    lay->addWidget(Panel1, 0);

    connect(RxSlider1, &TRxSlider::change, this, &Tsettings_form::RxSlider1Change);
    connect(RxSlider2, &TRxSlider::change, this, &Tsettings_form::RxSlider1Change);
    connect(RxSlider3, &TRxSlider::change, this, &Tsettings_form::RxSlider1Change);
    connect(RxSlider4, &TRxSlider::change, this, &Tsettings_form::RxSlider4Change);
    connect(RxSlider5, &TRxSlider::change, this, &Tsettings_form::RxSlider5Change);
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        connect(box, &QCheckBox::toggled, this, &Tsettings_form::CheckBox1Click);
    connect(Button1, &QPushButton::clicked, this, &Tsettings_form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tsettings_form::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &Tsettings_form::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &Tsettings_form::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &Tsettings_form::Button5Click);

    fit_and_centre();
}

Tsettings_form::~Tsettings_form() {
    if (settings_form == this)
        settings_form = nullptr;
}

void Tsettings_form::build_update_page() {
    Label4 = make_label(QStringLiteral("high speed"), TabSheet1);
    Label5 = make_label(QStringLiteral("low speed"), TabSheet1, Qt::AlignRight | Qt::AlignVCenter);
    RxSlider1 = make_slider(TabSheet1, 500, 9500, 1000, false, false);
    Label1 = make_label(QStringLiteral("CPU usage update time"), TabSheet1, Qt::AlignCenter);
    RxSlider2 = make_slider(TabSheet1, 1000, 19000, 2000, true, true);
    Label2 = make_label(QStringLiteral("Check new applications time"), TabSheet1, Qt::AlignCenter);
    RxSlider3 = make_slider(TabSheet1, 50, 1850, 200, true, true);
    Label3 = make_label(QStringLiteral("Update tasks info time"), TabSheet1, Qt::AlignCenter);

    auto *lay = new QVBoxLayout(TabSheet1);
    lay->setContentsMargins(10, 6, 10, 6);
    lay->setSpacing(2);
    auto *ends = new QHBoxLayout;
    ends->addWidget(Label4);
    ends->addStretch(1);
    ends->addWidget(Label5);
    lay->addLayout(ends);
    const std::pair<TRxSlider *, QLabel *> rows[] = {{RxSlider1, Label1}, {RxSlider2, Label2}, {RxSlider3, Label3}};
    for (auto [slider, label] : rows) {
        // A slider is named by the caption under it.
        label->setBuddy(slider);
        lay->addStretch(1);
        lay->addWidget(slider);
        lay->addWidget(label);
    }
    lay->addStretch(1);
}

void Tsettings_form::build_colors_page() {
    RxSlider4 = make_slider(TabSheet2, 0, 255, 1, false, true);
    Label6 = make_label(QStringLiteral("Tray icon color"), TabSheet2, Qt::AlignCenter);
    Panel2 = make_preview(TabSheet2);
    RxSlider5 = make_slider(TabSheet2, 0, 255, 1, false, true);
    Label7 = make_label(QStringLiteral("CPU usage color"), TabSheet2, Qt::AlignCenter);
    Panel3 = make_preview(TabSheet2);

    auto *lay = new QGridLayout(TabSheet2);
    lay->setContentsMargins(10, 10, 10, 10);
    lay->setHorizontalSpacing(12);
    lay->setVerticalSpacing(2);
    lay->setColumnStretch(0, 1);
    lay->addWidget(RxSlider4, 0, 0, Qt::AlignBottom);
    lay->addWidget(Label6, 1, 0, Qt::AlignTop);
    lay->addWidget(Panel2, 0, 1, 2, 1, Qt::AlignCenter);
    lay->setRowStretch(2, 1);
    lay->addWidget(RxSlider5, 3, 0, Qt::AlignBottom);
    lay->addWidget(Label7, 4, 0, Qt::AlignTop);
    lay->addWidget(Panel3, 3, 1, 2, 1, Qt::AlignCenter);
    Label6->setBuddy(RxSlider4);
    Label7->setBuddy(RxSlider5);
    lay->setRowMinimumHeight(0, preview_side / 2);
    lay->setRowMinimumHeight(3, preview_side / 2);
}

void Tsettings_form::build_others_page() {
    GroupBox1 = new QGroupBox(QStringLiteral("Defaults"), TabSheet3);
    Button3 = make_button(QStringLiteral("Icons"), GroupBox1);
    Button4 = make_button(QStringLiteral("Shortcuts"), GroupBox1);
    Button5 = make_button(QStringLiteral("Settings"), GroupBox1);
    Label8 = make_label(QStringLiteral("Load default icons in popup menu"), GroupBox1);
    Label9 = make_label(QStringLiteral("Delete shortcuts list"), GroupBox1);
    Label10 = make_label(QStringLiteral("Restore default settings"), GroupBox1);
    auto *group = new QGridLayout(GroupBox1);
    group->setHorizontalSpacing(10);
    group->setColumnStretch(1, 1);
    const std::pair<QPushButton *, QLabel *> rows[] = {{Button3, Label8}, {Button4, Label9}, {Button5, Label10}};
    int row = 0;
    for (auto [button, label] : rows) {
        // The text beside a button says what it restores.
        button->setAccessibleDescription(label->text());
        group->addWidget(button, row, 0);
        group->addWidget(label, row, 1);
        ++row;
    }

    CheckBox1 = new QCheckBox(QStringLiteral("Show full path in popup menu"), TabSheet3);
    CheckBox2 = new QCheckBox(QStringLiteral("Stay on top"), TabSheet3);
    CheckBox3 = new QCheckBox(QStringLiteral("Hide own menu items"), TabSheet3);
    CheckBox4 = new QCheckBox(QStringLiteral("Use dockable window"), TabSheet3);

    auto *lay = new QVBoxLayout(TabSheet3);
    lay->setContentsMargins(8, 6, 8, 6);
    lay->addWidget(GroupBox1);
    auto *boxes = new QGridLayout;
    boxes->setHorizontalSpacing(12);
    boxes->addWidget(CheckBox1, 0, 0);
    boxes->addWidget(CheckBox4, 0, 1);
    boxes->addWidget(CheckBox3, 1, 0);
    boxes->addWidget(CheckBox2, 1, 1);
    // Tab follows the reading order: row by row, left to right.
    setTabOrder(Button5, CheckBox1);
    setTabOrder(CheckBox1, CheckBox4);
    setTabOrder(CheckBox4, CheckBox3);
    setTabOrder(CheckBox3, CheckBox2);
    lay->addLayout(boxes);
    lay->addStretch(1);
}

void Tsettings_form::build_bottom_panel() {
    Panel1 = new QWidget(this);
    Button1 = make_button(QStringLiteral("Set"), Panel1);
    Button1->setEnabled(false);
    Button2 = make_button(QStringLiteral("Close"), Panel1);
    auto *lay = new QHBoxLayout(Panel1);
    lay->setContentsMargins(8, 0, 8, 0);
    lay->addWidget(Button1);
    lay->addStretch(1);
    lay->addWidget(Button2);
    Panel1->setFixedHeight(std::max(bottom_panel_height, Button2->sizeHint().height() + 8));
}

void Tsettings_form::fit_and_centre() {
    QSize size = layout()->totalSizeHint().expandedTo(QSize(design_width, design_height));
    setFixedSize(size);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
}

void Tsettings_form::load_settings() {
    SETTINGS_STRUCT s{};
    read_settings(s);
    // Wide arithmetic: a stored interval of any size is clamped, never
    // overflowed.
    RxSlider1->set_value(static_cast<long long>(s.cpu_interval) * 10);
    RxSlider2->set_value(s.apps_interval);
    RxSlider3->set_value(s.tasks_interval);
    RxSlider4->set_value(s.tray_color);
    RxSlider5->set_value(s.cpu_color);
    show_grey(Panel2, s.tray_color);
    show_grey(Panel3, s.cpu_color);
    CheckBox1->setChecked(s.full_path != 0);
    CheckBox2->setChecked(s.stay_on_top != 0);
    CheckBox3->setChecked(s.hide_own_items != 0);
    CheckBox4->setChecked(s.dockable != 0);
    // Filling the controls ran their change handlers; nothing is edited yet.
    Button1->setEnabled(false);
}

void Tsettings_form::Button1Click() {
    SETTINGS_STRUCT s{};
    s.cpu_interval = RxSlider1->value() / 10;
    s.apps_interval = RxSlider2->value();
    s.tasks_interval = RxSlider3->value();
    s.tray_color = static_cast<std::uint8_t>(RxSlider4->value() & 0xFF);
    s.cpu_color = static_cast<std::uint8_t>(RxSlider5->value() & 0xFF);
    s.full_path = CheckBox1->isChecked() ? 1 : 0;
    s.stay_on_top = CheckBox2->isChecked() ? 1 : 0;
    s.hide_own_items = CheckBox3->isChecked() ? 1 : 0;
    s.dockable = CheckBox4->isChecked() ? 1 : 0;
    // A failed write still applies the values for this run.
    write_settings(s);
    apply_settings(s, targets);
    Button1->setEnabled(false);
}

void Tsettings_form::Button2Click() { close(); }

void Tsettings_form::FormClose() {
    if (settings_form == this)
        settings_form = nullptr;
}

void Tsettings_form::FormKeyDown(int key) {
    if (key == Qt::Key_Escape)
        close();
}

void Tsettings_form::RxSlider1Change() { Button1->setEnabled(true); }

void Tsettings_form::RxSlider4Change() {
    show_grey(Panel2, RxSlider4->value());
    Button1->setEnabled(true);
}

void Tsettings_form::RxSlider5Change() {
    show_grey(Panel3, RxSlider5->value());
    Button1->setEnabled(true);
}

void Tsettings_form::CheckBox1Click() { Button1->setEnabled(true); }

void Tsettings_form::Button3Click() {
    if (!user_confirms("Restore default icons?"))
        return;
    // Without the icon store the tray menu shows the programs' own icons.
    delete_file(icons_file_path());
}

void Tsettings_form::Button4Click() {
    if (!user_confirms("Delete saved shortcuts?"))
        return;
    clear_catalogue();
    if (shortcuts_grid) {
        take_grid_busy();
        shortcuts_grid->clear_rows();
        release_grid_busy();
    }
    // Discovery fills the catalogue again from the running programs.
    delete_file(catalogue_file_path());
}

void Tsettings_form::Button5Click() {
    if (!user_confirms("Restore default settings?"))
        return;
    delete_file(settings_file_path());
    // The controls keep showing the values from before, by design: "Set"
    // afterwards stores exactly what the user sees.
    SETTINGS_STRUCT s{};
    read_settings(s);
    apply_settings(s, targets);
}

void Tsettings_form::reject() { close(); }

void Tsettings_form::closeEvent(QCloseEvent *event) {
    FormClose();
    event->accept();
}

void Tsettings_form::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        FormKeyDown(event->key());
        return;
    }
    QDialog::keyPressEvent(event);
}

void show_settings(TGrid *shortcuts_grid, const SETTINGS_TARGETS &targets) {
    if (settings_form) {
        settings_form->raise();
        settings_form->activateWindow();
        return;
    }
    settings_form = new Tsettings_form();
    settings_form->shortcuts_grid = shortcuts_grid;
    settings_form->targets = targets;
    settings_form->load_settings();
    settings_form->exec(); // frees the dialog when it closes
}
