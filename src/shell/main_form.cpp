#include "shell/main_form.h"

#include "catalogue/tray_menu_images.h"
#include "common/flags.h"
#include "common/options.h"
#include "logging/logging_page.h"
#include "monitor/tasks_grid.h"
#include "monitor/tasks_page.h"
#include "platform/hotkeys.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "shell/about_form.h"
#include "shell/column_ini.h"
#include "shell/data_paths.h"
#include "shell/docking.h"
#include "shell/instance.h"
#include "shell/main_form_hooks.h"
#include "shell/main_form_process_commands.h"
#include "shell/settings.h"
#include "shell/settings_apply.h"
#include "toolkit/file_name_edit.h"
#include "toolkit/grid.h"
#include "toolkit/status_panel.h"

#include "common/file_io.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <chrono>
#include <thread>

TTM *TM = nullptr;

namespace {

constexpr int rescue_hotkey_id = 111;

QString executable_base_name() {
    return QFileInfo(QString::fromLocal8Bit(platform::executable_path().c_str())).completeBaseName();
}

} // namespace

TTM::TTM(QWidget *owner)
    : QMainWindow(owner), FormPlacement1(QStringLiteral("Software\\") + executable_base_name(),
                                         QStringLiteral("TTM")) {
    TM = this;
    build_components();
    // From the start on: a desktop without a tray gets the window within
    // seconds, however long the rest of the construction takes.
    tray_host_timer->start();

    // The data folder.
    create_data_directory();
    // An empty process table.
    hooks::empty_process_table();
    // Registered messages reach main_window_proc.
    message_token_ = platform::add_message_handler([this](std::uint32_t id) { main_window_proc(id); });
    // A fresh load history.
    hooks::reset_cpu_history();
    // The Tasks page needs the platform's process figures.
    tasks_available_ = hooks::tasks_page_supported();
    // The tray icon's two bitmaps with their frame.
    hooks::create_tray_images();
    hooks::show_current_tray_picture();
    // The icon docks as soon as it has a picture; what follows (the
    // catalogue, the first Tasks fill) need not hold it back.
    connect(tray, &TTrayIcon::host_changed, this, &TTM::trayHostChange);
    tray->show();
    // The two stored paths.
    catalogue_path = catalogue_file_path();
    icons_path = icons_file_path();
    // The catalogue, its grid, and the programs that start with Vorkel.
    hooks::load_catalogue(catalogue_path);
    hooks::fill_shortcut_grid(this);
    // The column widths (the PID column is hidden until the user shows
    // it), then the Tasks grid's own state.
    load_column_widths();
    load_tasks_state();
    // The stored settings.
    SETTINGS_STRUCT s{};
    read_settings(s);
    apply_settings(s, settings_targets());
    // Discovery.
    update_list_timer->start();
    // The Tasks page is filled once so it is ready when shown.
    list_visible = true;
    {
        QSignalBlocker quiet(pages);
        pages->setCurrentWidget(sheet2);
        if (tasks_available_) {
            task_timer->start();
            task_timerTimer();
        } else {
            pages->setTabVisible(pages->indexOf(sheet2), false);
            pages->setCurrentWidget(sheet1);
        }
    }
    list_visible = false;
    run_timers_while_shown();
    // The CPU sampler, which also draws the tray icon.
    hooks::send_tray_pictures(true);
    sampler_finished = false;
    sampler_running = true;
    cpu_sampler = std::thread([] { hooks::cpu_sampler_thread(); });
}

TTM::~TTM() {
    FormDestroy();
    if (cpu_sampler.joinable()) {
        sampler_running = false;
        cpu_sampler.join();
    }
    hooks::send_tray_pictures(false);
    if (message_token_)
        platform::remove_message_handler(message_token_);
    platform::set_hotkey_handler(nullptr);
    TM = nullptr;
}

void TTM::build_components() {
    setWindowTitle(QStringLiteral("Vorkel"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    resize(320, 404);
    setMinimumSize(232, 304);

    defaultlist = own_item_images();
    pimages = defaultlist;
    Image1 = script_image();

    pages = new QTabWidget(this);
    sheet1 = new QWidget;
    sheet2 = new QWidget;
    log = new QWidget;
    pages->addTab(sheet1, QStringLiteral("Shortcuts"));
    pages->addTab(sheet2, QStringLiteral("Tasks"));
    pages->addTab(log, QStringLiteral("Logging"));
    setCentralWidget(pages);
    // Screen readers name each control; a page control and a page's grid
    // take the caption of their window and page.
    pages->setAccessibleName(windowTitle());
    // Beside the tabs, where the window keeps room for it at any width.
    Button4 = new QPushButton(QStringLiteral("Exit"), pages);
    Button4->setVisible(false);
    pages->setCornerWidget(Button4, Qt::TopRightCorner);
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });

    grid = new TGrid({QStringLiteral("Path"), QStringLiteral("Show"), QStringLiteral("StartUp")}, 16, sheet1);
    grid->set_check_column(1, true);
    grid->set_check_column(2, true);
    grid->setAccessibleName(pages->tabText(0));
    auto *l1 = new QVBoxLayout(sheet1);
    l1->setContentsMargins(0, 0, 0, 0);
    l1->addWidget(grid);

    // The Tasks grid sizes its own columns from its column table.
    pgrid = new TTasks_grid(15, sheet2);
    pfilter = new QLineEdit(sheet2);
    pcount = new QLabel(sheet2);
    build_tasks_page(pages, sheet2, pgrid, pfilter, pcount);
    connect(pgrid, &TTasks_grid::mouse_down_right, this, &TTM::pgridMouseDown);
    // The design widths, widened where the desktop's font needs more room
    // for a heading (stored widths from vorkel.ini replace these).
    QFontMetrics hfm(grid->horizontalHeader()->font());
    for (int c = 0; c < 3; ++c)
        grid->set_col_width(c, std::max(shortcut_design_widths[static_cast<size_t>(c)],
                                        hfm.horizontalAdvance(grid->cell(c, 0)) + 14));

    build_logging_page();

    sb = new QStatusBar(this);
    setStatusBar(sb);
    sb->setSizeGripEnabled(true);
    const int design_width[3] = {100, 150, 150};
    const char *sample[3] = {"CPU usage 100%", "PHM 99999999/99999999", "VM 99999999/99999999"};
    for (int i = 0; i < 3; ++i) {
        // The design widths, widened when the desktop font needs more room.
        sb_panel[i] = new TStatusPanel(design_width[i], QLatin1String(sample[i]), sb);
        sb->addWidget(sb_panel[i]);
    }
    // The window starts wide enough for the whole status bar and the Tasks
    // grid's columns (the desktop font may need more than the design
    // width, whole names more than the design's Name column); the design
    // size stays its minimum.
    resize(std::max({width(), sb->sizeHint().width(), sizeHint().width()}), height());

    update_list_timer = new QTimer(this);
    update_list_timer->setInterval(10000);
    connect(update_list_timer, &QTimer::timeout, this, &TTM::update_list_timerTimer);
    cpu_timer = new QTimer(this);
    cpu_timer->setInterval(100);
    connect(cpu_timer, &QTimer::timeout, this, &TTM::cpu_timerTimer);
    task_timer = new QTimer(this);
    task_timer->setInterval(1000);
    connect(task_timer, &QTimer::timeout, this, &TTM::task_timerTimer);
    tray_host_timer = new QTimer(this);
    tray_host_timer->setSingleShot(true);
    tray_host_timer->setInterval(3000);
    connect(tray_host_timer, &QTimer::timeout, this, &TTM::tray_host_timerTimer);

    build_menus();

    tray = new TTrayIcon(this);
    tray->setToolTip(QStringLiteral("Vorkel"));
    tray->setContextMenu(PopupMenu1);
    connect(tray, &TTrayIcon::activated, this, [this](TTrayIcon::ACTIVATION why) {
        if (why == TTrayIcon::double_click && N1->isEnabled())
            N1Click();
    });

    connect(pages, &QTabWidget::currentChanged, this, [this] { pagesChange(); });
    qApp->installEventFilter(this);
}

void TTM::build_menus() {
    PopupMenu1 = new QMenu(this);
    N4 = PopupMenu1->addSeparator();
    N1 = PopupMenu1->addAction(pimages[2], QStringLiteral("Show list"));
    PopupMenu1->setDefaultAction(N1);
    N25 = PopupMenu1->addAction(pimages[3], QStringLiteral("Settings"));
    N2 = PopupMenu1->addSeparator();
    N14 = PopupMenu1->addAction(pimages[1], QStringLiteral("Shutdown"));
    N3 = PopupMenu1->addAction(pimages[0], QStringLiteral("Exit"));
    connect(N1, &QAction::triggered, this, &TTM::N1Click);
    connect(N3, &QAction::triggered, this, &TTM::N3Click);
    connect(N25, &QAction::triggered, this, &TTM::N25Click);
    connect(N14, &QAction::triggered, this, [this] { hooks::shutdown_command(this); });
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TTM::PopupMenu1Popup);

    PopupMenu2 = new QMenu(this);
    N5 = PopupMenu2->addAction(QStringLiteral("Show in shortcuts menu"));
    N6 = PopupMenu2->addAction(QStringLiteral("StartUp"));
    N13 = PopupMenu2->addAction(QStringLiteral("Hotkeys"));
    N26 = PopupMenu2->addAction(QStringLiteral("Change icon"));
    N7 = PopupMenu2->addSeparator();
    N8 = PopupMenu2->addAction(QStringLiteral("Add new shortcut"));
    N9 = PopupMenu2->addAction(QStringLiteral("Delete"));
    N10 = PopupMenu2->addAction(QStringLiteral("Delete and never add again"));
    N15 = PopupMenu2->addSeparator();
    N12 = PopupMenu2->addAction(QStringLiteral("Launch"));
    N27 = PopupMenu2->addSeparator();
    N28 = PopupMenu2->addAction(QStringLiteral("Settings"));
    connect(N26, &QAction::triggered, this, &TTM::N26Click);
    connect(N28, &QAction::triggered, this, &TTM::N28Click);
    connect(N13, &QAction::triggered, this, &TTM::N13Click);
    grid->set_popup_menu(PopupMenu2);

    PopupMenu3 = new QMenu(this);
    N16 = PopupMenu3->addAction(QStringLiteral("End process"));
    N16->setShortcut(QKeySequence(Qt::Key_Delete));
    s1 = PopupMenu3->addAction(QStringLiteral("Debug"));
    N17 = PopupMenu3->addSeparator();
    N18 = PopupMenu3->addMenu(QStringLiteral("Set priority"));
    N19 = N18->addAction(QStringLiteral("Realtime"));
    N20 = N18->addAction(QStringLiteral("High"));
    N21 = N18->addAction(QStringLiteral("Above normal"));
    N22 = N18->addAction(QStringLiteral("Normal"));
    N23 = N18->addAction(QStringLiteral("Below normal"));
    N24 = N18->addAction(QStringLiteral("Low"));
    N29 = PopupMenu3->addAction(QStringLiteral("Show in separate window"));
    N11 = PopupMenu3->addAction(QStringLiteral("Get Status"));
    N11->setEnabled(false);
    N11->setVisible(false);
    pgrid->set_popup_menu(PopupMenu3);
    connect_process_commands(this);

    hooks::connect_page_commands(this);
}

void TTM::build_logging_page() {
    auto *outer = new QVBoxLayout(log);
    GroupBox1 = new QGroupBox(QStringLiteral("One process log"), log);
    auto *g1 = new QGridLayout(GroupBox1);
    Label1 = new QLabel(QStringLiteral("Process to logging"), GroupBox1);
    log_processes = new QComboBox(GroupBox1);
    log_processes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    log_processes->setMinimumContentsLength(12);
    Label2 = new QLabel(QStringLiteral("Log file"), GroupBox1);
    logfile = new TFileNameEdit(GroupBox1);
    logfile->set_dialog(QStringLiteral("Log file"), QStringLiteral("Log files (*.log *.txt);;All (*)"), true);
    // Named by their labels, not by the group around them.
    Label1->setBuddy(log_processes);
    logfile->set_accessible_name(Label2->text());
    Button1 = new QPushButton(QStringLiteral("Start logging"), GroupBox1);
    Button2 = new QPushButton(QStringLiteral("Stop logging"), GroupBox1);
    Button2->setEnabled(false);
    g1->addWidget(Label1, 0, 0, 1, 2);
    g1->addWidget(log_processes, 1, 0, 1, 2);
    g1->addWidget(Label2, 2, 0, 1, 2);
    g1->addWidget(logfile, 3, 0, 1, 2);
    g1->addWidget(Button1, 4, 0);
    g1->addWidget(Button2, 4, 1);
    GroupBox2 = new QGroupBox(QStringLiteral("Global logging"), log);
    auto *g2 = new QGridLayout(GroupBox2);
    gllog = new QCheckBox(QStringLiteral("Enable log"), GroupBox2);
    Button3 = new QPushButton(QStringLiteral(" Show stat"), GroupBox2);
    g2->addWidget(gllog, 0, 0);
    g2->addWidget(Button3, 0, 1);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    // A click (mouse release over the box, or the space key) has toggled it.
    connect(gllog, &QCheckBox::clicked, this, [this] { gllogMouseUp(); });
    outer->addWidget(GroupBox1);
    outer->addWidget(GroupBox2);
    outer->addStretch(1);
}

void TTM::FormCreate() {
    platform::set_hotkey_handler([this](int id) { Dispatch_hotkey(id); });
    platform::register_hotkey(rescue_hotkey_id, platform::MOD_CONTROL | platform::MOD_SHIFT, platform::VK_BACK);
    // After the rescue key, which therefore always wins over an entry.
    hooks::start_program_hotkeys(this);
}

void TTM::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    platform::unregister_hotkey(rescue_hotkey_id);
    hooks::stop_program_hotkeys();
    if (shown_once_) {
        FormPlacement1.save(this);
        save_tasks_state();
    }
    grid->save_col_sizes(QStringLiteral("Software\\Orvane\\Vorkel"), QStringLiteral("TTA"));
}

void TTM::N1Click() {
    if (exit_begun_)
        return;
    if (!placement_restored_) {
        placement_restored_ = true;
        if (!FormPlacement1.restore(this)) {
            if (QScreen *s = QGuiApplication::primaryScreen()) {
                QRect area = s->availableGeometry();
                move(area.center() - QPoint(width() / 2, height() / 2));
            }
        }
    }
    const bool was_shown = list_visible;
    list_visible = true;
    // The Tasks page stood still while the window was hidden: it is brought
    // up to date before it shows, so no row older than one refresh is seen.
    if (!was_shown)
        task_timerTimer();
    show();
    if (!was_shown) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        showNormal();
    }
    if (!stay_on_top_) {
        raise();
        activateWindow();
    }
    run_timers_while_shown();
}

void TTM::hide_list() {
    list_visible = false;
    hide();
    run_timers_while_shown();
}

void TTM::run_timers_while_shown() {
    if (!list_visible) {
        cpu_timer->stop();
        task_timer->stop();
        return;
    }
    // start() on a running timer would put its next tick off.
    if (!cpu_timer->isActive())
        cpu_timer->start();
    if (tasks_available_ && pages->currentWidget() == sheet2 && !task_timer->isActive())
        task_timer->start();
}

void TTM::closeEvent(QCloseEvent *event) {
    // Priorities lifted by the rescue hotkey go back to normal.
    if (rescue_mode)
        hooks::restore_priorities(farewell_);
    if (shown_once_) {
        FormPlacement1.save(this);
        save_tasks_state();
    }
    if (!exit_requested) {
        // An ordinary close only hides the window; the program goes on in
        // the tray with its timers, threads and logging. Without a tray
        // nothing could show it again: it is minimised instead.
        if (trayless_)
            showMinimized();
        else
            hide_list();
        event->ignore();
        return;
    }
    if (closing_for_exit_) {
        event->accept();
        return;
    }
    closing_for_exit_ = true;
    exit_after_close();
    event->accept();
    QApplication::quit();
}

void TTM::N3Click() {
    if (exit_requested || exit_begun_)
        return;
    exit_begun_ = true;
    // Discovery stops first.
    update_list_timer->stop();
    // The sampler finishes its cycle; no limit, it always does.
    sampler_running = false;
    wait_for_flag(sampler_finished, true, -1);
    if (cpu_sampler.joinable())
        cpu_sampler.join();
    cpu_timer->stop();
    task_timer->stop();
    // No catalogue edit may be cut short.
    hooks::wait_grid_idle();
    hooks::destroy_tray_images();
    // vorkel.ini gets the PID column's real width (the grid keeps the
    // widths of hidden columns).
    save_column_widths();
    // The close that follows ends the program.
    exit_requested = true;
    close();
}

void TTM::end_session() {
    if (exit_requested || exit_begun_)
        return;
    farewell_ = false;
    N3Click();
}

void TTM::exit_after_close() {
    list_visible = false;
    logging_active = false;
    // Every single-process window of every copy closes.
    platform::post_broadcast_message(get_close_all_msg());
    // Wait for ours, dispatching their messages meanwhile.
    for (int i = 0; i < 10000 && hooks::single_process_window_open(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The logger ends its write, then its thread.
    wait_for_flag(logger_finished, true, 10000);
    hooks::close_logger_thread();
    hooks::stop_global_logging();
    // The icon leaves the tray and the farewell shows.
    tray->hide();
    if (farewell_)
        show_about();
}

void TTM::main_window_proc(std::uint32_t message) {
    if (message != 0 && message == get_activate_msg())
        N1Click();
    else if (message != 0 && message == get_close_all_msg())
        hooks::close_all_single_process_windows();
}

void TTM::Dispatch_hotkey(int id) {
    if (exit_begun_)
        return;
    if (id == rescue_hotkey_id)
        hooks::rescue_hotkey(this, id);
    else
        hooks::program_hotkey(this, id);
}

void TTM::dock_if_needed() {
    if (!opt_dockable || docking_ || !isVisible())
        return;
    QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    QRect area = s->availableGeometry();
    QRect frame = frameGeometry();
    WINDOW_POS pos{frame.x(), frame.y(), frame.width(), frame.height()};
    WORK_AREA wa{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
    WINDOW_POS snapped = dock_window_pos(pos, wa);
    if (snapped.x != pos.x || snapped.y != pos.y) {
        docking_ = true;
        move(snapped.x, snapped.y);
        docking_ = false;
    }
}

void TTM::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    dock_if_needed();
}

void TTM::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    dock_if_needed();
}

void TTM::showEvent(QShowEvent *event) {
    shown_once_ = true;
    if (!grid_sizes_loaded_) {
        grid_sizes_loaded_ = true;
        // The grid keeps its own column sizes too; once its window exists
        // they replace those read from vorkel.ini.
        grid->load_col_sizes(QStringLiteral("Software\\Orvane\\Vorkel"), QStringLiteral("TTA"));
    }
    QMainWindow::showEvent(event);
}

void TTM::changeEvent(QEvent *event) {
    // A minimised window is not shown: nothing refreshes it until it is
    // restored (Show list, or the desktop's task bar).
    if (event->type() == QEvent::WindowStateChange && isVisible() && !exit_begun_)
        list_visible = !isMinimized();
    QMainWindow::changeEvent(event);
}

void TTM::trayHostChange(bool present) {
    if (exit_begun_)
        return;
    if (!present) {
        // A tray that restarts comes back within moments.
        if (!trayless_)
            tray_host_timer->start();
        return;
    }
    tray_host_timer->stop();
    if (!trayless_)
        return;
    // The tray holds the icon again: closing hides, "Exit" is in its menu.
    trayless_ = false;
    Button4->setVisible(false);
    if (isMinimized())
        hide_list();
}

void TTM::tray_host_timerTimer() {
    if (exit_begun_ || trayless_ || tray->host_present())
        return;
    trayless_ = true;
    Button4->setVisible(true);
    N1Click();
}

void TTM::Button4Click() { N3Click(); }

bool TTM::eventFilter(QObject *watched, QEvent *event) {
    // The session manager's order to end (the toolkit's request to quit the
    // application) runs the exit, from the event loop rather than inside
    // the session manager's callback. The exit's own quit passes.
    if (watched == qApp && event->type() == QEvent::Quit && !exit_begun_) {
        QMetaObject::invokeMethod(this, &TTM::end_session, Qt::QueuedConnection);
        return true;
    }
    // Key preview: the window sees Esc and F5 before whichever of its
    // controls has the focus.
    if (event->type() == QEvent::KeyPress) {
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && w->window() == this) {
            auto *ke = static_cast<QKeyEvent *>(event);
            if (ke->key() == Qt::Key_Escape || ke->key() == Qt::Key_F5) {
                FormKeyDown(ke->key(), ke->modifiers());
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TTM::FormKeyDown(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Escape) {
        // Esc in the filter box empties it; only an empty one lets Esc
        // close the window.
        if (!tasks_filter_escape(pfilter))
            close();
    } else if (key == Qt::Key_F5) {
        hooks::scan_windows_now(this);
    }
}

void TTM::pagesChange() {
    QWidget *page = pages->currentWidget();
    if (page == sheet1) {
        task_timer->stop();
        hooks::scan_windows_on_page(this);
    } else if (page == sheet2) {
        task_timer->start();
        task_timerTimer(); // its rows are current at once, not a tick later
    } else if (page == log) {
        // Every process, whatever the Tasks page's filter shows.
        logging_page_activated(Button1, Button2, log_processes, pgrid->tasks()->every_process());
    }
}

void TTM::N25Click() { hooks::show_settings(this); }
void TTM::N26Click() { hooks::change_icon(this); }
void TTM::N28Click() { hooks::show_settings(this); }
void TTM::PopupMenu1Popup() { hooks::tray_menu_popup(this); }

void TTM::update_list_timerTimer() { hooks::scan_windows_on_timer(this); }

void TTM::cpu_timerTimer() {
    if (!list_visible)
        return;
    QString texts[3];
    hooks::status_texts(texts);
    // Painted at once, all changed panels in one pass: ten times a second,
    // a posted repaint would cost another turn of the event loop. The
    // panels mark their parts and the last one repaints, which paints every
    // marked widget of the window. (A repaint of the status bar itself
    // would paint nothing: Qt leaves out what opaque children cover.)
    TStatusPanel *last = nullptr;
    QRect last_part;
    for (int i = 0; i < 3; ++i) {
        const QRect part = sb_panel[i]->set_text_deferred(texts[i]);
        if (part.isEmpty())
            continue;
        if (last)
            last->update(last_part);
        last = sb_panel[i];
        last_part = part;
    }
    if (last)
        last->repaint(last_part);
}

void TTM::task_timerTimer() { hooks::task_timer_tick(this); }

void TTM::pgridMouseDown(int col, int row) {
    if (row >= 0 && col >= 0)
        pgrid->setCurrentIndex(pgrid->model()->index(row, col));
}

void TTM::set_stay_on_top(bool on) {
    if (on == stay_on_top_)
        return;
    stay_on_top_ = on;
    bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown)
        show();
}

SETTINGS_TARGETS TTM::settings_targets() {
    return {update_list_timer, task_timer, cpu_timer, [self = QPointer<TTM>(this)](bool on) {
                if (self)
                    self->set_stay_on_top(on);
            }};
}

void TTM::load_column_widths() {
    std::string path = columns_file_path();
    if (!path_exists(path))
        return;
    auto text = read_whole_file(path, 1u << 20);
    auto widths = widths_from_ini(text ? *text : std::string());
    for (int c = 0; c < 3; ++c)
        grid->set_col_width(c, widths[static_cast<size_t>(c)]);
    for (std::size_t c = 0; c < task_column_count; ++c)
        if (const char *key = task_columns()[c].ini_key)
            pgrid->set_column_width(static_cast<int>(c), widths[static_cast<size_t>(ini_column_of_key(key))]);
}

void TTM::save_column_widths() {
    std::array<int, column_count> widths{};
    for (int c = 0; c < 3; ++c)
        widths[static_cast<size_t>(c)] = grid->col_width(c);
    for (std::size_t c = 0; c < task_column_count; ++c)
        if (const char *key = task_columns()[c].ini_key)
            widths[static_cast<size_t>(ini_column_of_key(key))] = pgrid->column_width(static_cast<int>(c));
    std::string path = columns_file_path();
    auto old = read_whole_file(path, 1u << 20);
    write_file_atomically(path, ini_with_widths(old ? *old : std::string(), widths));
}

void TTM::load_tasks_state() {
    auto store = platform::open_user_key(FormPlacement1.key());
    store->beginGroup(FormPlacement1.section());
    ::load_tasks_state(pgrid, *store);
    store->endGroup();
}

void TTM::save_tasks_state() {
    auto store = platform::open_user_key(FormPlacement1.key());
    store->beginGroup(FormPlacement1.section());
    ::save_tasks_state(pgrid, *store);
    store->endGroup();
    store->sync();
}
