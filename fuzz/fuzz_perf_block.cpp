// The performance-data block: any bytes are walked object by object and
// instance by instance without reading past them, every instance lies
// inside the block, and applying the block to a table adds no process.
#include "fuzz_check.h"
#include "monitor/perf_process_block.h"
#include "monitor/perf_walk.h"
#include "platform/perf_data.h"

#include <cstddef>
#include <cstdint>

namespace {

void walk(PERF_BYTES block, std::uint32_t title) {
    PERF_OBJECT_VIEW object;
    if (!perf_find_object(block, title, object))
        return;
    FUZZ_CHECK(object.start < block.size());
    std::size_t counters = 0;
    PERF_COUNTER_VIEW last;
    perf_for_each_counter(block, object, [&](const PERF_COUNTER_VIEW &c) {
        ++counters;
        last = c;
    });
    FUZZ_CHECK(counters <= block.size());
    PERF_INSTANCE_VIEW instance;
    std::size_t instances = 0;
    for (bool ok = perf_first_instance(block, object, instance); ok;
         ok = perf_next_instance(block, instance)) {
        FUZZ_CHECK(instance.start < block.size());
        FUZZ_CHECK(instance.counter_block + instance.counter_block_length <= block.size());
        char name[260];
        const std::size_t n = perf_instance_name(block, instance, name, sizeof name);
        FUZZ_CHECK(n < sizeof name && name[n] == '\0');
        std::uint64_t value = 0;
        if (last.found)
            perf_counter_value(block, instance, last, value);
        // Each instance takes bytes of its own, so a block holds only so many.
        FUZZ_CHECK(++instances <= block.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const PERF_BYTES block(data, size);
    walk(block, platform::title_process);
    walk(block, platform::title_processor);

    PROCESS_COUNTER_INDEXES indexes;
    indexes.id_process = platform::title_id_process;
    indexes.thread_count = platform::title_thread_count;
    indexes.working_set = platform::title_working_set;
    indexes.handle_count = platform::title_handle_count;
    indexes.page_file_bytes = platform::title_page_file_bytes;
    indexes.processor_time = platform::title_processor_time;
    // The optional counters too: their values are read like the others.
    indexes.elapsed_time = platform::title_elapsed_time;
    indexes.creating_process_id = platform::title_creating_process_id;
    PROCESS_MAP table;
    for (std::uint32_t pid : {0u, 1u, 4u, 100u})
        table[pid].pid = pid;
    SAMPLE_CLOCK clock;
    apply_process_block(block, indexes, table, clock);
    FUZZ_CHECK(table.size() == 4);
    for (const auto &[pid, record] : table) {
        FUZZ_CHECK(record.pid == pid);
        FUZZ_CHECK(record.name[sizeof record.name - 1] == '\0');
    }
    return 0;
}
