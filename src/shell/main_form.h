// TTM: the main window, owner of everything that lives for the whole run:
// the tray icon and its menu, the pages "Shortcuts", "Tasks" and
// "Logging", the status bar, the three timers and the CPU sampler thread.
//
// It is built hidden; "Show list", a tray double click, a second start of
// the program and the rescue hotkey show it; closing it (close box, Esc)
// only hides it. The program ends through the tray menu's "Exit", or when
// the session ends (end_session).
//
// Without any tray to hold the icon (none within 3 s of start, or 3 s
// after the last one has gone) the window shows itself, closing it
// minimises it, and its "Exit" button (Button4) ends the program; when a
// tray comes, this ends.
//
// Threads: every member runs on the GUI thread. The CPU sampler draws the
// tray icon's picture itself (TTrayIcon::set_picture) and never touches
// the window.
#pragma once

#include "toolkit/form_placement.h"
#include "toolkit/system_tray_icon.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include <cstdint>
#include <thread>
#include <vector>

class TGrid;
class TTasks_grid;
class TStatusPanel;
class TFileNameEdit;
struct SETTINGS_TARGETS;

class TTM : public QMainWindow {
    Q_OBJECT
public:
    explicit TTM(QWidget *owner = nullptr);
    ~TTM() override;

    // Components, by their designer names.
    TTrayIcon *tray = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *N4 = nullptr, *N1 = nullptr, *N25 = nullptr, *N2 = nullptr, *N14 = nullptr, *N3 = nullptr;
    QMenu *PopupMenu2 = nullptr;
    QAction *N5 = nullptr, *N6 = nullptr, *N13 = nullptr, *N26 = nullptr, *N7 = nullptr, *N8 = nullptr,
            *N9 = nullptr, *N10 = nullptr, *N15 = nullptr, *N12 = nullptr, *N27 = nullptr, *N28 = nullptr;
    QMenu *PopupMenu3 = nullptr;
    QAction *N16 = nullptr, *s1 = nullptr, *N17 = nullptr, *N29 = nullptr, *N11 = nullptr;
    QMenu *N18 = nullptr; // "Set priority"
    QAction *N19 = nullptr, *N20 = nullptr, *N21 = nullptr, *N22 = nullptr, *N23 = nullptr, *N24 = nullptr;
    std::vector<QIcon> pimages;     // tray menu images: 0 exit, 1 shutdown, 2 show list, 3 settings
    std::vector<QIcon> defaultlist; // the own items' four images, indexes as in pimages
    QIcon Image1;                   // image for ".sh" and ".bat" entries in the tray menu
    QStatusBar *sb = nullptr;
    TStatusPanel *sb_panel[3] = {nullptr, nullptr, nullptr};
    QTimer *update_list_timer = nullptr;
    QTimer *cpu_timer = nullptr;
    QTimer *task_timer = nullptr;
    QTabWidget *pages = nullptr;
    QWidget *sheet1 = nullptr, *sheet2 = nullptr, *log = nullptr;
    TGrid *grid = nullptr;
    TTasks_grid *pgrid = nullptr;
    QLineEdit *pfilter = nullptr; // the Tasks page's filter box
    QLabel *pcount = nullptr;     // "n of m processes" beside it
    TFormPlacement FormPlacement1;
    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *log_processes = nullptr;
    QLabel *Label2 = nullptr;
    TFileNameEdit *logfile = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QCheckBox *gllog = nullptr;
    QPushButton *Button3 = nullptr;
    QPushButton *Button4 = nullptr;    // "Exit" beside the tabs, while no tray holds the icon
    QTimer *tray_host_timer = nullptr; // 3 s without a tray: the window stands in for it

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);
    void pagesChange();
    void N1Click(); // "Show list"
    void N3Click(); // "Exit"
    // The session ends (the session manager's request, SIGTERM, SIGHUP):
    // what "Exit" saves and releases, without the farewell window. Once;
    // nothing when an exit is under way.
    void end_session();
    void N25Click();
    void N26Click(); // "Change icon"
    void N28Click();
    void PopupMenu1Popup(); // the tray menu is about to show
    void update_list_timerTimer();
    void cpu_timerTimer();
    void task_timerTimer();
    void pgridMouseDown(int col, int row); // right button on pgrid (row 0 is the first process)
    // Tasks page popup menu (shell/main_form_process_commands.cpp).
    void N16Click();              // "End process"
    void s1Click();               // "Debug"
    void N18Click();              // "Set priority" opens
    void N19Click(QAction *item); // one of the six priority classes
    void N29Click();              // "Show in separate window"
    // Shortcuts page (forwarders in main_form_shortcuts.cpp).
    Qt::Alignment gridGetAlignment(int col, int row) const;
    void gridMouseDown(int col, int row); // right button on grid
    void gridCheckBoxClick(int col, int row, bool checked);
    void N5Click();  // "Show in shortcuts menu"
    void N6Click();  // "StartUp"
    void N8Click();  // "Add new shortcut"
    void N9Click();  // "Delete"
    void N10Click(); // "Delete and never add again"
    void N12Click(); // "Launch"
    // Logging page (logging/logging_page.h).
    void Button1Click(); // "Start logging"
    void Button2Click(); // "Stop logging"
    void Button3Click(); // " Show stat"
    void gllogMouseUp(); // "Enable log" released
    void N13Click();     // "Hotkeys"
    void Button4Click(); // "Exit" on the window
    void tray_host_timerTimer();
    void trayHostChange(bool present); // a tray for the icon has come or gone

    // A registered message (activate_msg, ...) that reached this process.
    void main_window_proc(std::uint32_t message);
    // A hotkey press (the rescue hotkey has id 111).
    void Dispatch_hotkey(int id);

    void load_column_widths();
    void save_column_widths();
    // The Tasks grid's own state (sort, columns, tree), kept with the
    // window's placement.
    void load_tasks_state();
    void save_tasks_state();

    // Sets the window's stay-on-top style.
    void set_stay_on_top(bool on);
    bool stay_on_top() const { return stay_on_top_; }

    // The timers and the style the settings act on.
    SETTINGS_TARGETS settings_targets();

protected:
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build_components();
    void build_menus();
    void build_logging_page();
    void exit_after_close(); // the exit's end, once the window has closed
    void dock_if_needed();
    void hide_list();
    // The status bar and the Tasks page are written only while the window
    // is shown: their timers run then and stop while it is hidden, so that
    // in the tray the window's thread sleeps between discovery passes.
    void run_timers_while_shown();

    bool stay_on_top_ = false;
    bool tasks_available_ = true;
    bool placement_restored_ = false;
    bool docking_ = false;
    bool closing_for_exit_ = false;
    bool exit_begun_ = false; // "Exit" was chosen: nothing shows the window again
    bool farewell_ = true;    // false when the session ends: no farewell, no question
    bool shown_once_ = false; // only a window that was shown has a placement to keep
    bool destroyed_ = false;
    bool grid_sizes_loaded_ = false;
    bool trayless_ = false; // no tray holds the icon: the window stands in for it
    int message_token_ = 0;
    std::thread cpu_sampler;
};

// The main window, for the whole run (null before and after).
extern TTM *TM;
