#include "monitor/tasks_model.h"

#include "platform/system_info.h"

#include <QDateTime>
#include <QStringMatcher>

#include <algorithm>

namespace {

bool same_process(const PROCESS_INFO_STRUCT &a, const PROCESS_INFO_STRUCT &b) {
    return a.pid == b.pid && a.start_time == b.start_time && task_name(a) == task_name(b);
}

} // namespace

TTasks_model::TTasks_model(QObject *parent) : QAbstractTableModel(parent) {
    const auto all = task_columns();
    for (std::size_t c = 0; c < all.size(); ++c)
        if (all[c].shown_by_default)
            shown_columns_ |= 1u << c;
}

int TTasks_model::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TTasks_model::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(task_column_count);
}

QVariant TTasks_model::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) ||
        index.column() >= static_cast<int>(task_column_count))
        return {};
    const ROW &row = rows_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
        // In the tree, a name is indented by its depth.
        if (static_cast<int>(column) == task_name_column && row.depth > 0)
            return QString(static_cast<qsizetype>(3 * row.depth), QLatin1Char(' ')) +
                   QString::fromStdString(row.texts[column]);
        return QString::fromStdString(row.texts[column]);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (task_columns()[column].right_aligned ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::ToolTipRole: {
        // The whole name and the command line, whatever the columns show.
        const PROCESS_INFO_STRUCT &info = records_[row.record].info;
        const auto details = records_[row.record].details
                                 ? records_[row.record].details
                                 : platform::process_details(info.pid, info.start_time);
        const QString name =
            QString::fromUtf8(task_name(info).data(), static_cast<qsizetype>(task_name(info).size()));
        if (!details || details->command_line.empty())
            return name;
        return name + QLatin1Char('\n') + QString::fromStdString(details->command_line);
    }
    default: return {};
    }
}

QVariant TTasks_model::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(task_column_count))
        return {};
    const TASK_COLUMN &column = task_columns()[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(column.title);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (column.right_aligned ? Qt::AlignRight : Qt::AlignLeft));
    return {};
}

void TTasks_model::update_context(const QString &decimal_point) {
    decimal_point_ = decimal_point.toStdString();
    context_.decimal_point = decimal_point_;
    // Start times count from boot; shown in local time. The boot moment is
    // kept unless the clock was set, so that texts do not flicker with the
    // jitter between the two clock readings.
    const std::int64_t offset =
        static_cast<std::int64_t>(QDateTime::currentDateTime().offsetFromUtc()) * 10000000;
    const std::uint64_t boot =
        static_cast<std::uint64_t>(static_cast<std::int64_t>(platform::boot_file_time()) + offset);
    const std::uint64_t was = context_.boot_local_time;
    if (was == 0 || (boot > was ? boot - was : was - boot) > 20000000)
        context_.boot_local_time = boot;
}

void TTasks_model::set_records(const PROCESS_MAP &table, const QString &decimal_point) {
    update_context(decimal_point);
    const double total = total_cpu_share(table);
    std::vector<TASK_RECORD> next;
    next.reserve(table.size());
    std::vector<QString> next_haystacks;
    const bool filtering = !needle_.isEmpty();
    if (filtering)
        next_haystacks.resize(table.size());
    // Both are in ascending id order: one merge walk carries what was read
    // of a process to its next record.
    std::size_t old = 0;
    for (const auto &[pid, info] : table) {
        TASK_RECORD &r = next.emplace_back();
        r.info = info;
        r.cpu_per_mille = cpu_per_mille(info.cpu_share, total);
        while (old < records_.size() && records_[old].info.pid < pid)
            ++old;
        // Details read in a process's first second are asked for again.
        if (old < records_.size() && same_process(records_[old].info, info) &&
            (!records_[old].details || records_[old].details->settled)) {
            r.details = std::move(records_[old].details);
            if (filtering && old < haystacks_.size())
                next_haystacks[next.size() - 1] = std::move(haystacks_[old]);
        }
    }
    records_.swap(next);
    haystacks_.swap(next_haystacks);
    rebuild();
}

bool TTasks_model::needs_details() const {
    if (!needle_.isEmpty())
        return true;
    const auto all = task_columns();
    for (std::size_t c = 0; c < all.size(); ++c)
        if (all[c].needs_details &&
            (column_shown(static_cast<int>(c)) || sort_.column == static_cast<int>(c)))
            return true;
    return false;
}

void TTasks_model::read_details(TASK_RECORD &record) const {
    if (!record.details)
        record.details = platform::process_details(record.info.pid, record.info.start_time);
}

const QString &TTasks_model::haystack(std::size_t record) {
    if (haystacks_.size() != records_.size())
        haystacks_.resize(records_.size());
    QString &text = haystacks_[record];
    if (text.isNull()) {
        const TASK_RECORD &r = records_[record];
        const std::string_view name = task_name(r.info);
        text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) + QLatin1Char('\n') +
               QString::number(r.info.pid);
        if (r.details)
            text += QLatin1Char('\n') + QString::fromStdString(r.details->owner) + QLatin1Char('\n') +
                    QString::fromStdString(r.details->command_line);
        text = text.toCaseFolded();
    }
    return text;
}

bool TTasks_model::update_texts(ROW &row, int &first, int &last) {
    const auto all = task_columns();
    const TASK_RECORD &record = records_[row.record];
    first = static_cast<int>(all.size());
    last = -1;
    for (std::size_t c = 0; c < all.size(); ++c) {
        if (!column_shown(static_cast<int>(c)))
            continue;
        all[c].text(record, context_, scratch_);
        if (scratch_ != row.texts[c]) {
            row.texts[c].swap(scratch_);
            first = std::min(first, static_cast<int>(c));
            last = std::max(last, static_cast<int>(c));
        }
    }
    return last >= 0;
}

void TTasks_model::rebuild() {
    if (needs_details())
        for (TASK_RECORD &r : records_)
            read_details(r);
    const bool filtering = !needle_.isEmpty();
    const QStringMatcher needle(needle_); // its skip table made once for every process
    order_tasks(
        records_, sort_, tree_, [&](std::size_t i) { return !filtering || needle.indexIn(haystack(i)) >= 0; },
        lines_);

    // Where each shown row's process goes: its new row, -1 when it is no
    // longer shown.
    std::vector<int> line_of_record(records_.size(), -1);
    for (std::size_t j = 0; j < lines_.size(); ++j)
        line_of_record[lines_[j].record] = static_cast<int>(j);
    std::vector<int> to(rows_.size(), -1);
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const auto at =
            std::lower_bound(records_.begin(), records_.end(), rows_[r].pid,
                             [](const TASK_RECORD &x, std::uint32_t pid) { return x.info.pid < pid; });
        if (at != records_.end() && at->info.pid == rows_[r].pid &&
            at->info.start_time == rows_[r].start_time)
            to[r] = line_of_record[static_cast<std::size_t>(at - records_.begin())];
    }

    // Rows of processes no longer shown go, a run at a time from the end.
    for (int r = static_cast<int>(rows_.size()) - 1; r >= 0; --r) {
        if (to[static_cast<std::size_t>(r)] != -1)
            continue;
        int first = r;
        while (first > 0 && to[static_cast<std::size_t>(first - 1)] == -1)
            --first;
        beginRemoveRows(QModelIndex(), first, r);
        rows_.erase(rows_.begin() + first, rows_.begin() + r + 1);
        to.erase(to.begin() + first, to.begin() + r + 1);
        endRemoveRows();
        r = first;
    }

    auto make_row = [&](std::size_t j) {
        ROW row;
        row.record = lines_[j].record;
        row.depth = lines_[j].depth;
        row.pid = records_[row.record].info.pid;
        row.start_time = records_[row.record].info.start_time;
        int first = 0, last = 0;
        update_texts(row, first, last);
        return row;
    };
    if (std::is_sorted(to.begin(), to.end())) {
        // The rows kept are in their new order: the new ones are inserted
        // where they belong, a run at a time.
        std::size_t k = 0, j = 0;
        while (j < lines_.size()) {
            if (k < rows_.size() && to[k] == static_cast<int>(j)) {
                ++k;
                ++j;
                continue;
            }
            const std::size_t end = k < rows_.size() ? static_cast<std::size_t>(to[k]) : lines_.size();
            std::vector<ROW> added;
            std::vector<int> added_to;
            for (std::size_t n = j; n < end; ++n) {
                added.push_back(make_row(n));
                added_to.push_back(static_cast<int>(n));
            }
            beginInsertRows(QModelIndex(), static_cast<int>(k), static_cast<int>(k + added.size() - 1));
            rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(k),
                         std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
            to.insert(to.begin() + static_cast<std::ptrdiff_t>(k), added_to.begin(), added_to.end());
            endInsertRows();
            k += added.size();
            j = end;
        }
    } else {
        // Another order: the new rows are added at the end, then every row
        // goes to its place and every persistent index (the selection, the
        // current row) with it. No layout change is announced: the rows keep
        // their height, so the views need no new layout, only the repaint
        // of the places that show another process now, which the notice of
        // changed texts below asks for; assistive technology hears of those
        // rows alone instead of a new table.
        std::vector<char> kept(lines_.size(), 0);
        for (const int t : to)
            kept[static_cast<std::size_t>(t)] = 1;
        std::vector<ROW> added;
        for (std::size_t j = 0; j < lines_.size(); ++j)
            if (!kept[j]) {
                added.push_back(make_row(j));
                to.push_back(static_cast<int>(j));
            }
        if (!added.empty()) {
            beginInsertRows(QModelIndex(), static_cast<int>(rows_.size()),
                            static_cast<int>(rows_.size() + added.size() - 1));
            rows_.insert(rows_.end(), std::make_move_iterator(added.begin()),
                         std::make_move_iterator(added.end()));
            endInsertRows();
        }
        std::vector<ROW> placed(rows_.size());
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            placed[static_cast<std::size_t>(to[r])] = std::move(rows_[r]);
            if (to[r] != static_cast<int>(r))
                placed[static_cast<std::size_t>(to[r])].moved = true;
        }
        rows_.swap(placed);
        const QModelIndexList from = persistentIndexList();
        QModelIndexList moved;
        moved.reserve(from.size());
        for (const QModelIndex &i : from)
            moved.append(i.row() >= 0 && i.row() < static_cast<int>(to.size())
                             ? index(to[static_cast<std::size_t>(i.row())], i.column())
                             : QModelIndex());
        changePersistentIndexList(from, moved);
        emit rows_moved();
    }

    // Changed texts, one notice per run of neighbouring changed rows.
    int run_first = -1, run_last = -1, col_first = 0, col_last = 0;
    auto flush = [&] {
        if (run_first >= 0)
            emit dataChanged(index(run_first, col_first), index(run_last, col_last));
        run_first = -1;
    };
    for (std::size_t j = 0; j < rows_.size(); ++j) {
        ROW &row = rows_[j];
        row.record = lines_[j].record;
        int first = 0, last = 0;
        bool changed = update_texts(row, first, last);
        if (row.moved) { // another process in this place: all of it
            row.moved = false;
            first = 0;
            last = static_cast<int>(task_column_count) - 1;
            changed = true;
        }
        if (row.depth != lines_[j].depth) {
            row.depth = lines_[j].depth;
            first = std::min(first, task_name_column);
            last = std::max(last, task_name_column);
            changed = true;
        }
        if (!changed) {
            flush();
            continue;
        }
        if (run_first < 0) {
            run_first = static_cast<int>(j);
            col_first = first;
            col_last = last;
        }
        run_last = static_cast<int>(j);
        col_first = std::min(col_first, first);
        col_last = std::max(col_last, last);
    }
    flush();
    emit counts_changed(shown_count(), process_count());
}

void TTasks_model::set_sort(TASK_SORT sort) {
    if (sort.column < 0 || sort.column >= static_cast<int>(task_column_count))
        return;
    sort_ = sort;
    rebuild();
}

void TTasks_model::set_tree(bool on) {
    tree_ = on;
    rebuild();
}

void TTasks_model::set_filter(const QString &text) {
    filter_ = text;
    const QString needle = text.trimmed().toCaseFolded();
    if (needle == needle_)
        return;
    needle_ = needle;
    if (needle_.isEmpty())
        haystacks_ = {}; // their memory goes with the filter
    rebuild();
}

bool TTasks_model::column_shown(int column) const {
    return column >= 0 && column < static_cast<int>(task_column_count) && (shown_columns_ >> column & 1u);
}

void TTasks_model::set_column_shown(int column, bool shown) {
    if (column < 0 || column >= static_cast<int>(task_column_count) || column_shown(column) == shown)
        return;
    shown_columns_ ^= 1u << column;
    if (!shown) {
        for (ROW &row : rows_)
            std::string().swap(row.texts[static_cast<std::size_t>(column)]);
        return;
    }
    rebuild();
}

const TASK_RECORD *TTasks_model::record_at(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    return &records_[rows_[static_cast<std::size_t>(row)].record];
}

int TTasks_model::row_of(std::uint32_t pid, std::uint64_t start_time) const {
    for (std::size_t r = 0; r < rows_.size(); ++r)
        if (rows_[r].pid == pid && rows_[r].start_time == start_time)
            return static_cast<int>(r);
    return -1;
}

const std::string &TTasks_model::text_at(int row, int column) const {
    static const std::string none;
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
        column >= static_cast<int>(task_column_count))
        return none;
    return rows_[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
}

std::vector<CHOSEN_PROCESS> TTasks_model::every_process() const {
    std::vector<std::uint32_t> order(records_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return task_before(records_[a], records_[b], sort_); });
    std::vector<CHOSEN_PROCESS> all;
    all.reserve(order.size());
    for (const std::uint32_t i : order)
        all.push_back({process_key(records_[i].info), std::string(task_name(records_[i].info)), true});
    return all;
}
