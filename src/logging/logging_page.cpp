#include "logging/logging_page.h"

#include "common/file_io.h"
#include "common/flags.h"
#include "logging/global_stat.h"
#include "logging/process_log.h"
#include "logging/process_log_line.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "toolkit/file_name_edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLocale>
#include <QPushButton>
#include <QStringList>

namespace {

void set_controls(bool logging, QPushButton *start, QPushButton *stop, QComboBox *processes) {
    // The button that becomes usable is enabled first and takes the focus
    // from the one that stops being usable, so Start and Stop alternate
    // under the keyboard.
    QPushButton *now_on = logging ? stop : start;
    QPushButton *now_off = logging ? start : stop;
    now_on->setEnabled(true);
    if (now_off->hasFocus())
        now_on->setFocus(Qt::OtherFocusReason);
    now_off->setEnabled(false);
    processes->setEnabled(!logging);
}

// The start time of the process an item names, beside its id.
constexpr int start_time_role = Qt::UserRole + 1;

void logging_error(const std::string &text) {
    platform::message_box(text, "Logging error", platform::MB_OK | platform::MB_ICONERROR);
}

} // namespace

void logging_page_activated(QPushButton *start, QPushButton *stop, QComboBox *processes,
                            const std::vector<CHOSEN_PROCESS> &every_process) {
    if (logging_active) {
        set_controls(true, start, stop, processes);
        return;
    }
    set_controls(false, start, stop, processes);
    if (every_process.empty())
        return;
    // Each item starts with the PID, padded with blanks until it is at least
    // 30 pixels wide in the label font, then the name. At least one blank
    // always follows, so that the PID stands alone at the start even when a
    // long PID in a wide font is 30 pixels by itself.
    const QFontMetrics fm(QApplication::font("QLabel"));
    processes->clear();
    for (const CHOSEN_PROCESS &p : every_process) {
        QString text = QString::number(p.key.pid);
        do
            text += QLatin1Char(' ');
        while (fm.horizontalAdvance(text) < 30);
        processes->addItem(text + QString::fromStdString(p.name), QVariant::fromValue(p.key.pid));
        processes->setItemData(processes->count() - 1, QVariant::fromValue(p.key.start_time), start_time_role);
    }
    // The user chooses; a filled list must not name a process by itself.
    processes->setCurrentIndex(-1);
}

void start_logging_click(QComboBox *processes, TFileNameEdit *logfile, QPushButton *start, QPushButton *stop,
                         QWidget *) {
    // The process id the item was made with, never its text read back.
    const QVariant id = processes->currentIndex() < 0 ? QVariant() : processes->currentData();
    bool named = false;
    const std::uint32_t pid = id.toUInt(&named);
    if (!named) {
        logging_error("No process set to logging.");
        return;
    }
    // The list was made when the page showed: the id may since belong to
    // another process.
    const auto start_time = processes->currentData(start_time_role).toULongLong();
    if (pid != 0 && !platform::same_process_running(pid, start_time)) {
        logging_error("The process has ended.");
        return;
    }
    const QString name = logfile->file_name();
    if (name.isEmpty()) {
        logging_error("No file set to logging.");
        return;
    }
    const std::string path = QFile::encodeName(name).toStdString();
    if (path_exists(path) &&
        platform::message_box("File " + path + " already exists. Overwrite file?", "Logging warning",
                              platform::MB_OKCANCEL | platform::MB_ICONWARNING) != platform::IDOK)
        return;

    PROCESS_LOG_JOB job;
    job.pid = pid;
    std::string reason;
    if (!job.file.open(path, reason)) {
        logging_error("The log file " + path + " cannot be opened. " + reason);
        set_controls(false, start, stop, processes);
        return;
    }
    const QLocale locale;
    job.time_separator = time_separator_of_format(locale.timeFormat(QLocale::LongFormat).toStdString());
    job.decimal_separator = locale.decimalPoint().toStdString();
    set_controls(true, start, stop, processes);
    start_process_log(std::move(job));
}

void stop_logging_click(QComboBox *processes, QPushButton *start, QPushButton *stop) {
    set_controls(false, start, stop, processes);
    stop_process_log();
}

void gllog_mouse_up(QCheckBox *gllog, const std::string &statistics_path) {
    if (!gllog->isChecked()) {
        stop_global_logging();
        return;
    }
    switch (start_global_logging(statistics_path)) {
    case GLOBAL_STAT_START::collecting: break;
    case GLOBAL_STAT_START::still_ending: gllog->setChecked(false); break;
    case GLOBAL_STAT_START::other_copy:
        gllog->setChecked(false);
        logging_error("The statistics of this data folder are collected by another copy of Vorkel.");
        break;
    }
}
