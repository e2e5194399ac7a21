#include "monitor/perf_process_block.h"

#include <algorithm>
#include <charconv>

std::string find_title_index(std::string_view table, std::string_view title) {
    constexpr std::size_t max_text = 255;
    std::size_t pos = 0;
    auto next_text = [&] {
        const std::size_t nul = table.find('\0', pos);
        const std::size_t end = nul == std::string_view::npos ? table.size() : nul;
        std::string_view text = table.substr(pos, std::min(end - pos, max_text));
        pos = end + 1; // past the NUL (or past the end when there is none)
        return text;
    };
    while (pos < table.size()) {
        const std::string_view index = next_text();
        const std::string_view name = pos < table.size() ? next_text() : std::string_view{};
        if (pos < table.size() && table[pos] == '\0')
            ++pos; // the extra NUL that ends the table
        if (name == title && !index.empty())
            return std::string(index);
    }
    return {};
}

std::uint32_t title_index_number(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return 0;
    return value;
}

bool apply_process_block(PERF_BYTES block, const PROCESS_COUNTER_INDEXES &indexes, PROCESS_MAP &table,
                         SAMPLE_CLOCK &clock, std::size_t *updated) {
    if (updated)
        *updated = 0;
    PERF_OBJECT_VIEW object;
    std::uint64_t snapshot_time = 0;
    if (!perf_first_object(block, object) || !perf_block_time(block, snapshot_time))
        return false;

    PERF_COUNTER_VIEW thread_count, handle_count, working_set, id_process, processor_time, page_file_bytes,
        start_time, parent;
    perf_for_each_counter(block, object, [&](const PERF_COUNTER_VIEW &c) {
        // First match in this order wins, as several indexes may coincide.
        PERF_COUNTER_VIEW *slot =
            c.title_index == indexes.thread_count                                ? &thread_count
            : c.title_index == indexes.handle_count                              ? &handle_count
            : c.title_index == indexes.working_set                               ? &working_set
            : c.title_index == indexes.id_process                                ? &id_process
            : c.title_index == indexes.processor_time                            ? &processor_time
            : c.title_index == indexes.page_file_bytes                           ? &page_file_bytes
            : indexes.elapsed_time != 0 && c.title_index == indexes.elapsed_time ? &start_time
            : indexes.creating_process_id != 0 && c.title_index == indexes.creating_process_id ? &parent
                                                                                               : nullptr;
        if (slot)
            *slot = c;
    });
    if (!thread_count.found || !handle_count.found || !working_set.found || !id_process.found ||
        !processor_time.found || !page_file_bytes.found)
        return false;

    clock.previous_sample_time = clock.current_sample_time;
    clock.current_sample_time = snapshot_time;
    // The first snapshot of a table has no interval to share over (the
    // clock counts from boot, so "since 0" would be the average since
    // then): every share is 0, as for two snapshots at the same time.
    const bool no_interval =
        clock.previous_sample_time == 0 || clock.previous_sample_time == clock.current_sample_time;
    const double elapsed =
        static_cast<double>(clock.current_sample_time) - static_cast<double>(clock.previous_sample_time);

    // The last instance is the summary ("_Total") and is never visited.
    PERF_INSTANCE_VIEW instance;
    if (object.num_instances < 2 || !perf_first_instance(block, object, instance))
        return true;
    for (std::int32_t i = 0; i + 1 < object.num_instances; ++i) {
        if (i > 0 && !perf_next_instance(block, instance))
            break;
        std::uint64_t pid = 0, raw = 0, ws = 0, pf = 0, handles = 0, threads = 0;
        if (!perf_counter_value(block, instance, id_process, pid))
            continue;
        const auto entry = table.find(static_cast<std::uint32_t>(pid));
        if (entry == table.end())
            continue;
        if (!perf_counter_value(block, instance, processor_time, raw) ||
            !perf_counter_value(block, instance, working_set, ws) ||
            !perf_counter_value(block, instance, page_file_bytes, pf) ||
            !perf_counter_value(block, instance, handle_count, handles) ||
            !perf_counter_value(block, instance, thread_count, threads))
            continue;
        std::uint64_t start = 0, parent_pid = 0;
        if (start_time.found && !perf_counter_value(block, instance, start_time, start))
            start = 0;
        if (parent.found && !perf_counter_value(block, instance, parent, parent_pid))
            parent_pid = 0;
        PROCESS_INFO_STRUCT &rec = entry->second;
        // A 64-bit processor-time counter is signed in the layout.
        const double time = processor_time.size == 8 ? static_cast<double>(static_cast<std::int64_t>(raw))
                                                     : static_cast<double>(raw);
        // An id the system gave to a new process since the last snapshot:
        // its start time differs, or its counter is below the old one's.
        // Its time so far is no share of this interval; it is the new
        // baseline.
        const bool new_process =
            time < rec.last_cpu_time || (start != 0 && rec.start_time != 0 && start != rec.start_time);
        rec.cpu_share = no_interval || new_process ? 0.0 : (time - rec.last_cpu_time) / elapsed;
        rec.last_cpu_time = time;
        rec.start_time = start;
        rec.parent_pid = static_cast<std::uint32_t>(parent_pid);
        rec.working_set = ws;
        rec.page_file_bytes = pf;
        rec.handle_count = static_cast<std::uint32_t>(handles);
        rec.thread_count = static_cast<std::uint32_t>(threads);
        perf_instance_name(block, instance, rec.name, sizeof rec.name);
        if (updated)
            ++*updated;
    }
    return true;
}
