// Tsettings_form: the "Settings" dialog. It edits the nine settings of
// vorkel.set and offers three restores (icons, shortcuts, settings).
//
// Opened by show_settings(), modally. Each opening starts from the stored
// settings with "Set" disabled; any edit enables "Set", which stores the
// shown values, applies them at once and disables itself again; the
// dialog stays open. "Close" and Esc close it and drop unstored edits.
// The slider for the CPU interval shows ten times the interval in ms.
//
// The restores ask first ("Restore defaults warning", OK/Cancel) and act
// only on OK; none of them changes what the dialog shows.
//
// Acts on the Shortcuts grid and the settings' targets it is given.
// GUI thread.
#pragma once

#include "shell/settings_apply.h"
#include "toolkit/grid.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class TRxSlider;

class Tsettings_form : public QDialog {
    Q_OBJECT
public:
    // Built at its design size (client 352 x 278), larger only where the
    // desktop font needs the room; fixed size, centred on the screen. Frees
    // itself when closed.
    explicit Tsettings_form(QWidget *owner = nullptr);
    ~Tsettings_form() override;

    // Components, by their designer names.
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr; // "Update time"
    QWidget *TabSheet2 = nullptr; // "Colors"
    QWidget *Panel1 = nullptr;    // bottom panel
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QFrame *Panel2 = nullptr; // preview of RxSlider4's grey
    TRxSlider *RxSlider2 = nullptr, *RxSlider3 = nullptr, *RxSlider4 = nullptr;
    QLabel *Label6 = nullptr;
    QFrame *Panel3 = nullptr; // preview of RxSlider5's grey
    QLabel *Label7 = nullptr;
    TRxSlider *RxSlider5 = nullptr;
    QPushButton *Button1 = nullptr; // "Set"
    QPushButton *Button2 = nullptr; // "Close"
    TRxSlider *RxSlider1 = nullptr;
    QWidget *TabSheet3 = nullptr; // "Others"
    QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    QPushButton *Button3 = nullptr, *Button4 = nullptr, *Button5 = nullptr;
    QLabel *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr;
    QCheckBox *CheckBox3 = nullptr, *CheckBox4 = nullptr;

    // Shows the stored settings (vorkel.set, or the defaults) and disables
    // "Set".
    void load_settings();

    // What "Set" and the restores act on: the grid "Shortcuts" empties
    // (null: none, or gone) and the targets of apply_settings.
    QPointer<TGrid> shortcuts_grid;
    SETTINGS_TARGETS targets;

    // Handlers.
    void Button1Click(); // "Set"
    void Button2Click(); // "Close"
    void FormClose();
    void FormKeyDown(int key);
    void RxSlider1Change(); // also RxSlider2, RxSlider3
    void RxSlider4Change();
    void RxSlider5Change();
    void CheckBox1Click(); // all four check boxes
    void Button3Click();   // "Icons"
    void Button4Click();   // "Shortcuts"
    void Button5Click();   // "Settings"

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void build_update_page();
    void build_colors_page();
    void build_others_page();
    void build_bottom_panel();
    void fit_and_centre();
};

// The open dialog, null while there is none.
extern Tsettings_form *settings_form;

// Opens the dialog modally and returns when it has closed. While one is
// open, a further call only brings it to the front and returns at once:
// a second modal loop on the same dialog would reload it and drop the
// user's unstored edits.
void show_settings(TGrid *shortcuts_grid, const SETTINGS_TARGETS &targets);
