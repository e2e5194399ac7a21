#include "monitor/one_process_form.h"

#include "toolkit/grid.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <vector>

Tone_process_form *one_process_form = nullptr;

namespace {

// The open windows, in opening order. GUI thread.
std::vector<Tone_process_form *> open_windows;

constexpr int column_widths[7] = {27, 69, 35, 45, 48, 31, 37};

} // namespace

Tone_process_form::Tone_process_form(const PROCESS_KEY &process)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      watched_pid(process.pid), watched_start_time(process.start_time) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::number(process.pid));
    // The small 8-point face of the design, for the grid and its header.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    grid = new TGrid({QStringLiteral("PID"), QStringLiteral("Name"), QStringLiteral("CPU"),
                      QStringLiteral("RAM"), QStringLiteral("Paged"), QStringLiteral("Hndls"),
                      QStringLiteral("Thrds")},
                     16, this);
    grid->set_row_count(2);
    // Screen readers name the grid by its window, the process id.
    grid->setAccessibleName(windowTitle());
    // The design widths, widened where the desktop's font needs more room
    // for a heading, and the PID column for the longest id this system
    // gives (seven digits).
    const QFontMetrics cells(grid->font()), heads(grid->horizontalHeader()->font());
    int width = 8;
    for (int c = 0; c < 7; ++c) {
        int w = std::max(column_widths[c], heads.horizontalAdvance(grid->cell(c, 0)) + 12);
        if (c == 0)
            w = std::max(w, cells.horizontalAdvance(QStringLiteral("4194304")) + 8);
        grid->set_col_width(c, w);
        width += w;
    }
    width = std::max(305, width);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setShowGrid(false);
    grid->setFocusPolicy(Qt::StrongFocus);
    // The selected cell does not stand out.
    QPalette pal = grid->palette();
    pal.setColor(QPalette::Highlight, pal.color(QPalette::Base));
    pal.setColor(QPalette::HighlightedText, Qt::black);
    grid->setPalette(pal);
    grid->setStyleSheet(QStringLiteral("QTableView { outline: 0; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid);
    grid->setMinimumSize(0, 0);
    grid->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    // Keys reach the window before the grid; a press anywhere drags it.
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    grid->horizontalHeader()->viewport()->installEventFilter(this);

    // Only the header row and the data row show.
    const int height =
        grid->horizontalHeader()->sizeHint().height() + grid->rowHeight(0) + 2 * grid->frameWidth();
    resize(width, height);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width / 2, height / 2));
}

Tone_process_form::~Tone_process_form() {
    FormClose(); // a window deleted without closing still stops its refresher
}

void open_process_window(const PROCESS_KEY &process) {
    auto *form = new Tone_process_form(process);
    one_process_form = form;
    open_windows.push_back(form);
    form->refresh_thread = std::thread(one_process_thread, form);
    form->apply_alpha();
    form->show();
}

int one_process_windows_open() { return static_cast<int>(open_windows.size()); }

void close_all_process_windows() {
    const std::vector<Tone_process_form *> windows = open_windows;
    for (Tone_process_form *w : windows)
        w->close();
}

void Tone_process_form::apply_alpha() { setWindowOpacity(alpha / 255.0); }

void Tone_process_form::stay_on_top() {
    if (isVisible())
        raise();
}

void Tone_process_form::FormShow() { stay_on_top(); }
void Tone_process_form::FormActivate() { stay_on_top(); }
void Tone_process_form::FormDeactivate() { stay_on_top(); }

void Tone_process_form::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    FormShow();
}

void Tone_process_form::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        isActiveWindow() ? FormActivate() : FormDeactivate();
}

void Tone_process_form::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    if (key == Qt::Key_Escape) {
        close();
        return;
    }
    if (!(shift & Qt::ControlModifier))
        return;
    if (key == Qt::Key_Equal || key == Qt::Key_Plus)
        alpha = alpha >= 244 ? 254 : static_cast<std::uint8_t>(alpha + 10);
    else if (key == Qt::Key_Minus || key == Qt::Key_Underscore)
        alpha = alpha <= 10 ? 0 : static_cast<std::uint8_t>(alpha - 10);
    else
        return;
    apply_alpha();
}

void Tone_process_form::gridMouseDown() {
    if (QWindow *w = windowHandle())
        w->startSystemMove();
}

bool Tone_process_form::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        FormKeyDown(ke->key(), ke->modifiers());
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        gridMouseDown();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Tone_process_form::show_row(const ONE_PROCESS_ROW &row) {
    // The order of writing does not matter: the grid is drawn only after
    // this call returns, with all seven texts in place.
    for (int c = 0; c < 7; ++c)
        grid->set_cell(c, 1, QString::fromUtf8(row[static_cast<std::size_t>(c)].c_str()));
}

bool Tone_process_form::wait_cycle() {
    std::unique_lock<std::mutex> lock(wake_lock_);
    return wake_.wait_for(lock, std::chrono::milliseconds(one_process_period_ms),
                          [this] { return !refresh_running.load(); });
}

void Tone_process_form::closeEvent(QCloseEvent *event) {
    FormClose();
    event->accept();
}

void Tone_process_form::FormClose() {
    if (closed_)
        return;
    closed_ = true;
    {
        std::lock_guard<std::mutex> lock(wake_lock_);
        refresh_running = false;
    }
    wake_.notify_all();
    // At most the rest of the refresher's current cycle: it is woken from
    // its wait at once.
    while (refresh_thread.joinable() && !refresh_finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (refresh_thread.joinable())
        refresh_thread.join();
    open_windows.erase(std::remove(open_windows.begin(), open_windows.end(), this), open_windows.end());
    one_process_form = nullptr;
}
