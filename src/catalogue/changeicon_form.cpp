#include "catalogue/changeicon_form.h"

#include "catalogue/icon_sources.h"
#include "catalogue/icon_store.h"
#include "catalogue/shortcuts_page.h"
#include "toolkit/grid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>

Tchangeicon_form *changeicon_form = nullptr;

namespace {

constexpr int grid_side = 10;
constexpr int cell_width = 24, cell_height = 21;
constexpr int image_role = Qt::UserRole + 1;

QColor menu_colour() { return QApplication::palette().color(QPalette::Window); }

// Draws a cell's image in the middle of the cell, and the current cell's
// frame.
class centred_image_delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        if (option.state & QStyle::State_Selected)
            p->fillRect(option.rect, option.palette.highlight());
        QImage image = index.data(image_role).value<QImage>();
        if (!image.isNull()) {
            QRect target(0, 0, icon_side, icon_side);
            target.moveCenter(option.rect.center());
            p->drawImage(target, image);
        }
    }
};

} // namespace

Tchangeicon_form::Tchangeicon_form(QWidget *owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("Change icon"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Search in file"), this);
    ComboEdit1 = new QLineEdit(this);
    ComboEdit1Button = new QToolButton(this);
    ComboEdit1Button->setText(QStringLiteral("..."));
    auto *file_row = new QHBoxLayout;
    file_row->setSpacing(2);
    file_row->addWidget(ComboEdit1, 1);
    file_row->addWidget(ComboEdit1Button);

    igrid = new QTableWidget(grid_side, grid_side, this);
    igrid->horizontalHeader()->hide();
    igrid->verticalHeader()->hide();
    igrid->horizontalHeader()->setMinimumSectionSize(1);
    igrid->verticalHeader()->setMinimumSectionSize(1);
    for (int i = 0; i < grid_side; ++i) {
        igrid->setColumnWidth(i, cell_width);
        igrid->setRowHeight(i, cell_height);
    }
    igrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    igrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    igrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    igrid->setSelectionMode(QAbstractItemView::SingleSelection);
    igrid->setShowGrid(false);
    igrid->setTabKeyNavigation(false); // arrows move between icons, Tab leaves the grid
    igrid->setItemDelegate(new centred_image_delegate(igrid));
    QPalette pal = igrid->palette();
    pal.setColor(QPalette::Base, menu_colour());
    igrid->setPalette(pal);
    const int frame = 2 * igrid->frameWidth();
    igrid->setFixedSize(grid_side * cell_width + frame, grid_side * cell_height + frame);
    for (int r = 0; r < grid_side; ++r)
        for (int c = 0; c < grid_side; ++c)
            igrid->setItem(r, c, new QTableWidgetItem);
    igrid->setCurrentCell(0, 0);

    Button1 = new QPushButton(QStringLiteral("Set"), this);
    Button2 = new QPushButton(QStringLiteral("Close"), this);
    // No default button: Enter in the file box loads that file's icons and
    // must not store an icon on the way.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    auto *layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0, 1, 2);
    layout->addLayout(file_row, 1, 0, 1, 2);
    layout->addWidget(igrid, 2, 0, 1, 2, Qt::AlignHCenter);
    layout->addWidget(Button1, 3, 0);
    layout->addWidget(Button2, 3, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ComboEdit1Button, &QToolButton::clicked, this, &Tchangeicon_form::ComboEdit1ButtonClick);
    connect(ComboEdit1, &QLineEdit::returnPressed, this,
            [this] { load_icons_from_file(QFile::encodeName(ComboEdit1->text()).toStdString()); });
    connect(igrid, &QTableWidget::currentCellChanged, this,
            [this] { Button1->setEnabled(chosen_icon() >= 0); });
    connect(Button1, &QPushButton::clicked, this, &Tchangeicon_form::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tchangeicon_form::Button2Click);
    connect(igrid, &QTableWidget::cellDoubleClicked, this, [this] { Button1Click(); });
}

Tchangeicon_form::~Tchangeicon_form() {
    if (changeicon_form == this)
        changeicon_form = nullptr;
}

void Tchangeicon_form::load_icons_from_file(const std::string &file) {
    icons = icons_in_file(file, grid_side * grid_side);
    for (int r = 0; r < grid_side; ++r)
        for (int c = 0; c < grid_side; ++c)
            igrid->item(r, c)->setData(image_role, QVariant());
    for (std::size_t k = 0; k < icons.size(); ++k) {
        int col = static_cast<int>(k) % grid_side, row = static_cast<int>(k) / grid_side;
        igrid->item(row, col)->setData(image_role, icons[k]);
    }
    Button1->setEnabled(chosen_icon() >= 0);
}

int Tchangeicon_form::chosen_icon() const {
    const int index = igrid->currentRow() * grid_side + igrid->currentColumn();
    return igrid->currentRow() >= 0 && igrid->currentColumn() >= 0 &&
                   static_cast<std::size_t>(index) < icons.size()
               ? index
               : -1;
}

void Tchangeicon_form::ComboEdit1ButtonClick() {
    // "od": icon files, programs and libraries; on this system programs
    // mostly have no extension, hence the second filter.
    QString chosen = QFileDialog::getOpenFileName(
        this, QString(), ComboEdit1->text(),
        QStringLiteral("Icons (*.dll *.exe *.ico *.png *.svg *.xpm *.desktop);;All files (*)"), nullptr,
        QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return;
    ComboEdit1->setText(chosen);
    load_icons_from_file(QFile::encodeName(chosen).toStdString());
}

void Tchangeicon_form::Button1Click() {
    // A cell without an icon stores nothing: a plain square would replace
    // the program's icon, and the only way back resets every chosen icon.
    const int index = chosen_icon();
    if (index < 0)
        return;
    write_icon(store_path, icon_target,
               icon_from_image(icons[static_cast<std::size_t>(index)], menu_colour()));
    close();
}

void Tchangeicon_form::Button2Click() { close(); }

void Tchangeicon_form::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tchangeicon_form::closeEvent(QCloseEvent *event) {
    if (changeicon_form == this)
        changeicon_form = nullptr;
    QDialog::closeEvent(event);
}

void show_change_icon(const std::string &program, const std::string &store, QWidget *owner) {
    if (!changeicon_form)
        changeicon_form = new Tchangeicon_form(owner);
    changeicon_form->icon_target = program;
    changeicon_form->store_path = store;
    changeicon_form->ComboEdit1->setText(path_display_text(program));
    changeicon_form->load_icons_from_file(program);
    changeicon_form->adjustSize();
    if (QScreen *screen = changeicon_form->screen()) {
        QRect area = screen->availableGeometry();
        changeicon_form->move(area.center() - changeicon_form->rect().center());
    }
    changeicon_form->exec();
}

void change_icon_command(const TGrid *grid, const std::string &store, QWidget *owner) {
    std::string path = row_path(grid, grid->current_row());
    if (path.empty())
        return;
    show_change_icon(path, store, owner);
}
