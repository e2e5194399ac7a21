// Bounds-checked walking of a performance-data block (layout in
// platform/perf_data.h). Every field read is checked against the block's
// size first; a structure that does not fit, or a length too small to
// move the walk forward, ends the walk instead of being read. Pure.
#pragma once

#include "platform/perf_data.h"

#include <cstddef>
#include <cstdint>
#include <span>

using PERF_BYTES = std::span<const std::uint8_t>;

bool perf_read32(PERF_BYTES block, std::size_t at, std::uint32_t &value);
bool perf_read64(PERF_BYTES block, std::size_t at, std::uint64_t &value);

// The block's snapshot time (SystemTime) as a FILETIME; false when it
// lies outside the block or is not a valid date.
bool perf_block_time(PERF_BYTES block, std::uint64_t &file_time);

struct PERF_OBJECT_VIEW {
    std::size_t start = 0;
    std::uint32_t total_byte_length = 0;
    std::uint32_t definition_length = 0;
    std::uint32_t header_length = 0;
    std::uint32_t title_index = 0;
    std::uint32_t num_counters = 0;
    std::int32_t num_instances = 0;
};

// The object at block + HeaderLength.
bool perf_first_object(PERF_BYTES block, PERF_OBJECT_VIEW &object);
// The object at start; its header must lie inside the block.
bool perf_object_at(PERF_BYTES block, std::size_t start, PERF_OBJECT_VIEW &object);
// The first of at most NumObjectTypes objects, each TotalByteLength after
// the previous, whose title index is title.
bool perf_find_object(PERF_BYTES block, std::uint32_t title, PERF_OBJECT_VIEW &object);

struct PERF_COUNTER_VIEW {
    std::uint32_t title_index = 0;
    std::uint32_t size = 4;   // 8 for a 64-bit counter, else read as 32-bit
    std::uint32_t offset = 0; // in the counter block
    bool found = false;
};

// Walks the object's counter definitions; for each, calls visit(view).
// Stops at the end of the definitions or at one that does not fit.
template <typename VISIT>
void perf_for_each_counter(PERF_BYTES block, const PERF_OBJECT_VIEW &object, VISIT &&visit) {
    using namespace platform::perf_layout;
    std::size_t at = object.start + object.header_length;
    for (std::uint32_t i = 0; i < object.num_counters; ++i) {
        std::uint32_t length = 0;
        PERF_COUNTER_VIEW c;
        if (!perf_read32(block, at + counter_byte_length, length) ||
            length < counter_definition_size ||
            !perf_read32(block, at + counter_name_title_index, c.title_index) ||
            !perf_read32(block, at + counter_size, c.size) ||
            !perf_read32(block, at + counter_offset, c.offset))
            return;
        c.found = true;
        visit(c);
        at += length;
    }
}

// One instance and its counter block.
struct PERF_INSTANCE_VIEW {
    std::size_t start = 0;
    std::uint32_t byte_length = 0;
    std::size_t counter_block = 0;
    std::uint32_t counter_block_length = 0;
};

// The first instance (at object + DefinitionLength) when next is false,
// else the one after current. False when it does not fit in the block.
bool perf_first_instance(PERF_BYTES block, const PERF_OBJECT_VIEW &object,
                         PERF_INSTANCE_VIEW &instance);
bool perf_next_instance(PERF_BYTES block, PERF_INSTANCE_VIEW &instance);

// The value of counter in instance's counter block, read at the counter's
// size. False when it lies outside the counter block.
bool perf_counter_value(PERF_BYTES block, const PERF_INSTANCE_VIEW &instance,
                        const PERF_COUNTER_VIEW &counter, std::uint64_t &value);

// The instance's UTF-16 name as UTF-8 into out (capacity bytes including
// the NUL), cut at a character boundary; code units that form no
// character become '?'. The name must lie inside the instance definition.
// Returns the bytes written without the NUL.
std::size_t perf_instance_name(PERF_BYTES block, const PERF_INSTANCE_VIEW &instance, char *out,
                               std::size_t capacity);
