#include "monitor/perf_reader.h"

#include "common/sfx_mutex.h"
#include "platform/perf_data.h"

#include <algorithm>
#include <charconv>
#include <vector>

SFXMutex &get_cpu_and_other_mutex() {
    // Process-local: the snapshots it orders are this process's own reads
    // of /proc, which nothing in another process shares, and a lock file
    // would cost the sampler two system calls ten times a second.
    static SFXMutex mutex;
    return mutex;
}

std::string find_counter_index(std::string_view title) {
    return find_title_index(platform::perf_data_source().counter_titles(), title);
}

namespace {

constexpr std::uint32_t first_buffer_size = 12000;
constexpr std::uint32_t buffer_step = 1000;
// Far above any real process list; a source that asks for more, or keeps
// asking, is broken.
constexpr std::uint32_t max_buffer_size = 64u << 20;
constexpr int max_attempts = 32;

} // namespace

bool sample_processes(PROCESS_MAP &table, SAMPLE_CLOCK &clock, std::size_t *updated) {
    if (updated)
        *updated = 0;
    SFXLock hold(get_cpu_and_other_mutex());
    platform::PERF_DATA_SOURCE &source = platform::perf_data_source();

    const std::string object = find_counter_index("Process");
    PROCESS_COUNTER_INDEXES idx;
    idx.id_process = title_index_number(find_counter_index("ID Process"));
    idx.thread_count = title_index_number(find_counter_index("Thread Count"));
    idx.working_set = title_index_number(find_counter_index("Working Set"));
    idx.handle_count = title_index_number(find_counter_index("Handle Count"));
    idx.page_file_bytes = title_index_number(find_counter_index("Page File Bytes"));
    idx.processor_time = title_index_number(find_counter_index("% Processor Time"));
    idx.elapsed_time = title_index_number(find_counter_index("Elapsed Time")); // optional
    idx.creating_process_id = title_index_number(find_counter_index("Creating Process ID")); // optional
    if (object.empty() || !idx.id_process || !idx.thread_count || !idx.working_set ||
        !idx.handle_count || !idx.page_file_bytes || !idx.processor_time)
        return false;

    // Kept between snapshots (only ever used under the lock held here), so
    // that a steady process list needs one query per snapshot, not a
    // series of growing attempts.
    static std::vector<std::uint8_t> buffer(first_buffer_size);
    for (int attempt = 0; attempt < max_attempts; ++attempt) {
        std::uint32_t size = static_cast<std::uint32_t>(buffer.size());
        const long answer = source.query_performance_data(object.c_str(), buffer.data(), &size);
        if (answer == platform::perf_error_success)
            return apply_process_block(PERF_BYTES(buffer.data(), std::min<std::size_t>(size, buffer.size())),
                                       idx, table, clock, updated);
        if (answer != platform::perf_error_more_data || buffer.size() >= max_buffer_size)
            return false;
        // Grow by the step at least, and to the size the source asked for
        // with room for processes started meanwhile.
        std::size_t wanted = std::max<std::size_t>(buffer.size() + buffer_step,
                                                   std::size_t{size} + size / 8);
        buffer.resize(std::min<std::size_t>(wanted, max_buffer_size));
    }
    return false;
}
