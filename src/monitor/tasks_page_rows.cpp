#include "monitor/tasks_page_rows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

std::string_view record_name(const PROCESS_INFO_STRUCT &r) {
    return {r.name, strnlen(r.name, sizeof r.name)};
}

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

double total_cpu_share(const PROCESS_MAP &table) {
    double total = 0.0;
    for (const auto &[pid, r] : table)
        if (r.cpu_share > 0.0)
            total += r.cpu_share;
    return total;
}

std::string cpu_text(double share, double total, std::string_view decimal_point) {
    std::int64_t per_mille = 0;
    // A negative share (a reused id whose counter restarted) reads as idle.
    if (std::isfinite(total) && total > 0.0 && std::isfinite(share) && share > 0.0) {
        const double v = std::ceil(share / total * 1000.0);
        per_mille = v > 1e9 ? 1000000000 : static_cast<std::int64_t>(v);
    }
    std::string text = std::to_string(per_mille / 10);
    text += decimal_point;
    text += static_cast<char>('0' + per_mille % 10);
    return text;
}

TASK_ROW task_row(const PROCESS_INFO_STRUCT &record, double total, std::string_view decimal_point) {
    return {std::to_string(record.pid),
            std::string(record_name(record)),
            cpu_text(record.cpu_share, total, decimal_point),
            std::to_string(record.working_set >> 10),
            std::to_string(record.page_file_bytes >> 10),
            std::to_string(record.handle_count),
            std::to_string(record.thread_count)};
}

bool name_before(const PROCESS_INFO_STRUCT &a, const PROCESS_INFO_STRUCT &b) {
    const std::string_view x = record_name(a), y = record_name(b);
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
        return static_cast<unsigned char>(ascii_lower(p)) < static_cast<unsigned char>(ascii_lower(q));
    });
}

std::vector<TASK_ROW> task_rows(const PROCESS_MAP &table, std::string_view decimal_point,
                                std::vector<PROCESS_KEY> *keys) {
    std::vector<const PROCESS_INFO_STRUCT *> order;
    order.reserve(table.size());
    for (const auto &[pid, r] : table)
        order.push_back(&r);
    std::stable_sort(order.begin(), order.end(),
                     [](const PROCESS_INFO_STRUCT *a, const PROCESS_INFO_STRUCT *b) { return name_before(*a, *b); });
    const double total = total_cpu_share(table);
    std::vector<TASK_ROW> rows;
    rows.reserve(order.size());
    if (keys)
        keys->clear();
    for (const PROCESS_INFO_STRUCT *r : order) {
        rows.push_back(task_row(*r, total, decimal_point));
        if (keys)
            keys->push_back(process_key(*r));
    }
    return rows;
}
