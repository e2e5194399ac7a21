// Tchangeicon_form, "Change icon": shows up to 100 icons of a file in a
// 10 x 10 grid; "Set" (or a double click) stores the chosen one for the
// program in the icon store, "Close" or Esc closes without storing. Enter
// in the file box shows the icons of the file named there. "Set" is
// offered only while the current cell holds an icon; nothing else is
// ever stored.
//
// The dialog is made on demand, shown modally, and frees itself when it
// closes; at most one exists (changeicon_form, null otherwise).
//
// Threads: GUI thread only.
#pragma once

#include <QDialog>
#include <QImage>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;
class TGrid;

class Tchangeicon_form : public QDialog {
    Q_OBJECT
public:
    explicit Tchangeicon_form(QWidget *owner = nullptr);
    ~Tchangeicon_form() override;

    QLabel *Label1 = nullptr;                // "Search in file"
    QLineEdit *ComboEdit1 = nullptr;         // the file whose icons are shown
    QToolButton *ComboEdit1Button = nullptr; // its ellipsis button
    QTableWidget *igrid = nullptr;           // 10 x 10 cells of 24 x 21 pixels
    QPushButton *Button1 = nullptr;          // "Set"
    QPushButton *Button2 = nullptr;          // "Close"
    std::vector<QImage> icons;               // the grid's images, 16 x 16, in file order

    std::string icon_target; // the program whose icon is changed
    std::string store_path;  // the icon store

    // Fills icons and igrid from file (cell k at column k mod 10, row k div 10).
    void load_icons_from_file(const std::string &file);
    // The index in icons of the current cell's icon; -1 when it holds none.
    int chosen_icon() const;

    void ComboEdit1ButtonClick();
    void Button1Click(); // "Set"
    void Button2Click(); // "Close"

protected:
    void keyPressEvent(QKeyEvent *event) override; // FormKeyDown
    void closeEvent(QCloseEvent *event) override;  // FormClose
};

extern Tchangeicon_form *changeicon_form;

// Makes the dialog if none exists, shows the icons of the program's own
// file, and runs it modally.
void show_change_icon(const std::string &program, const std::string &store, QWidget *owner);

// "Change icon" on the Shortcuts page: for the current row's exact path,
// when it has one.
void change_icon_command(const TGrid *grid, const std::string &store, QWidget *owner);
