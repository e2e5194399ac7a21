#include "logging/stat_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// value rounded to decimals places, with decimal_separator; no grouping.
std::string fixed_text(double value, int decimals, std::string_view decimal_separator, bool trim_zeros,
                       std::string_view group_separator = {}) {
    if (!std::isfinite(value))
        value = 0.0;
    double scale = std::pow(10.0, decimals);
    double scaled = std::round(std::fabs(value) * scale);
    const bool negative = value < 0.0 && scaled != 0.0;
    // Above 2^63 no decimals are left to show; keep the integer part exact enough.
    std::string digits;
    if (scaled >= 9.2e18) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%.0f", std::round(std::fabs(value)));
        digits = buf;
        decimals = 0;
    } else {
        digits = std::to_string(static_cast<unsigned long long>(scaled));
        if (static_cast<int>(digits.size()) <= decimals)
            digits.insert(0, static_cast<std::size_t>(decimals + 1) - digits.size(), '0');
    }
    std::string whole = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
    std::string fraction = digits.substr(whole.size());
    if (trim_zeros)
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
    if (!group_separator.empty()) {
        std::string grouped;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            if (i != 0 && (whole.size() - i) % 3 == 0)
                grouped += group_separator;
            grouped += whole[i];
        }
        whole = grouped;
    }
    std::string out = negative ? "-" + whole : whole;
    if (!fraction.empty()) {
        out += decimal_separator;
        out += fraction;
    }
    return out;
}

double average(double sum, std::uint32_t samples) { return samples == 0 ? 0.0 : sum / samples; }

char lower_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool name_less(const std::string &a, const std::string &b) {
    const auto cmp = [](char x, char y) {
        return static_cast<unsigned char>(lower_ascii(x)) < static_cast<unsigned char>(lower_ascii(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), cmp))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), cmp))
        return false;
    return a < b;
}

std::string record_name(const PROCESS_INFO_STRUCT_LONG &r) { return {r.name, strnlen(r.name, 259)}; }

} // namespace

std::string format_run_time(double run_time) {
    if (!(run_time > 0.0))
        return "0:00:00";
    const double seconds_real = std::floor(run_time * 1e-7);
    const auto s_total =
        seconds_real >= 1.8e19 ? 18000000000000000000ull : static_cast<unsigned long long>(seconds_real);
    const unsigned long long m_total = s_total / 60;
    const unsigned long long h = m_total / 60;
    const unsigned long long m = m_total % 60;
    const unsigned long long s = s_total % 60;
    std::string out = std::to_string(h) + ":";
    out += static_cast<char>('0' + m / 10);
    out += static_cast<char>('0' + m % 10);
    out += ':';
    out += static_cast<char>('0' + s / 10);
    out += static_cast<char>('0' + s % 10);
    return out;
}

std::vector<STAT_ROW> global_stat_rows(const PROCESS_MAP_LONG &map, std::uint32_t sample_count,
                                       std::string_view decimal_separator) {
    double total = 0.0;
    if (sample_count != 0)
        for (const auto &[key, r] : map)
            total += r.cpu_sum / sample_count;

    std::vector<STAT_ROW> rows;
    rows.reserve(map.size());
    for (const auto &[key, r] : map) {
        STAT_ROW row;
        row.name = record_name(r);
        row.time = format_run_time(r.run_time);
        const double cpu =
            (total > 0.0 && std::isfinite(total)) ? r.cpu_sum / sample_count / total * 100.0 : 0.0;
        row.cpu = fixed_text(cpu, 1, decimal_separator, false);
        row.ram = fixed_text(average(r.ram_sum, r.samples) / 1024.0, 0, decimal_separator, false);
        row.paged = fixed_text(average(r.paged_sum, r.samples) / 1024.0, 0, decimal_separator, false);
        row.handles = fixed_text(average(r.handles_sum, r.samples), 0, decimal_separator, false);
        row.threads = fixed_text(average(r.threads_sum, r.samples), 0, decimal_separator, false);
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const STAT_ROW &a, const STAT_ROW &b) { return name_less(a.name, b.name); });
    return rows;
}

std::vector<CHART_ITEM> stat_chart_items(const PROCESS_MAP_LONG &map, STAT_CHART chart) {
    double cpu_total = 0.0;
    if (chart == STAT_CHART::cpu)
        for (const auto &[key, r] : map)
            cpu_total += average(r.cpu_sum, r.samples);

    std::vector<CHART_ITEM> items;
    items.reserve(map.size());
    for (const auto &[key, r] : map) {
        CHART_ITEM item;
        item.label = record_name(r);
        switch (chart) {
        case STAT_CHART::cpu:
            item.value = (cpu_total > 0.0 && std::isfinite(cpu_total))
                             ? average(r.cpu_sum, r.samples) / cpu_total * 100.0
                             : 0.0;
            break;
        case STAT_CHART::ram: item.value = average(r.ram_sum, r.samples) / 1024.0; break;
        case STAT_CHART::paged: item.value = average(r.paged_sum, r.samples) / 1024.0; break;
        case STAT_CHART::handles: item.value = average(r.handles_sum, r.samples); break;
        case STAT_CHART::threads: item.value = average(r.threads_sum, r.samples); break;
        case STAT_CHART::time: item.value = r.run_time; break;
        }
        if (!std::isfinite(item.value))
            item.value = 0.0;
        items.push_back(std::move(item));
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const CHART_ITEM &a, const CHART_ITEM &b) { return a.value > b.value; });
    return items;
}

std::string format_mark_value(double value, std::string_view group_separator,
                              std::string_view decimal_separator) {
    return fixed_text(value, 3, decimal_separator, true, group_separator);
}

std::string format_mark_percent(double value, double total, std::string_view decimal_separator) {
    const double percent = (total > 0.0 && std::isfinite(total)) ? value / total * 100.0 : 0.0;
    return fixed_text(percent, 2, decimal_separator, true) + " %";
}

int chart_page_count(std::size_t bars) {
    return bars == 0 ? 1 : static_cast<int>((bars + chart_bars_per_page - 1) / chart_bars_per_page);
}

STAT_UNIT memory_unit(double top_kb) {
    if (!(top_kb < 10000.0 * 1024.0))
        return {1024.0 * 1024.0, "GB"};
    if (!(top_kb < 10000.0))
        return {1024.0, "MB"};
    return {1.0, "KB"};
}

std::string axis_label_format(double tick_interval, std::string_view unit) {
    int decimals = 0;
    if (tick_interval > 0.0 && std::isfinite(tick_interval))
        for (double scaled = tick_interval; decimals < 6; ++decimals, scaled *= 10.0)
            if (std::fabs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled))
                break;
    std::string format = "%." + std::to_string(decimals) + "f";
    if (!unit.empty()) {
        format += ' ';
        // A per cent sign is text, not a format.
        for (char c : unit)
            format += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return format;
}
