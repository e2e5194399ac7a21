#include "monitor/perf_walk.h"

using namespace platform::perf_layout;

bool perf_read32(PERF_BYTES block, std::size_t at, std::uint32_t &value) {
    if (at > block.size() || block.size() - at < 4)
        return false;
    const std::uint8_t *p = block.data() + at;
    value = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
            static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    return true;
}

bool perf_read64(PERF_BYTES block, std::size_t at, std::uint64_t &value) {
    std::uint32_t lo = 0, hi = 0;
    if (at > block.size() || block.size() - at < 8 || !perf_read32(block, at, lo) ||
        !perf_read32(block, at + 4, hi))
        return false;
    value = static_cast<std::uint64_t>(hi) << 32 | lo;
    return true;
}

bool perf_block_time(PERF_BYTES block, std::uint64_t &file_time) {
    if (block.size() < block_system_time + 16)
        return false;
    std::uint16_t f[8];
    for (int k = 0; k < 8; ++k)
        f[k] = static_cast<std::uint16_t>(block[block_system_time + 2 * k] |
                                          block[block_system_time + 2 * k + 1] << 8);
    const platform::SYSTEM_TIME st{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]};
    return platform::system_time_to_file_time(st, file_time);
}

bool perf_object_at(PERF_BYTES block, std::size_t start, PERF_OBJECT_VIEW &object) {
    std::uint32_t instances = 0;
    object.start = start;
    return perf_read32(block, start + object_total_byte_length, object.total_byte_length) &&
           perf_read32(block, start + object_definition_length, object.definition_length) &&
           perf_read32(block, start + object_header_length, object.header_length) &&
           perf_read32(block, start + object_name_title_index, object.title_index) &&
           perf_read32(block, start + object_num_counters, object.num_counters) &&
           perf_read32(block, start + object_num_instances, instances) &&
           (object.num_instances = static_cast<std::int32_t>(instances), true);
}

bool perf_first_object(PERF_BYTES block, PERF_OBJECT_VIEW &object) {
    std::uint32_t header = 0;
    return perf_read32(block, block_header_length, header) && perf_object_at(block, header, object);
}

bool perf_find_object(PERF_BYTES block, std::uint32_t title, PERF_OBJECT_VIEW &object) {
    std::uint32_t count = 0, header = 0;
    if (!perf_read32(block, block_num_object_types, count) ||
        !perf_read32(block, block_header_length, header))
        return false;
    std::size_t at = header;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!perf_object_at(block, at, object))
            return false;
        if (object.title_index == title)
            return true;
        // A length that does not pass the header would walk in place.
        if (object.total_byte_length < object_size)
            return false;
        at += object.total_byte_length;
    }
    return false;
}

namespace {

bool instance_at(PERF_BYTES block, std::size_t start, PERF_INSTANCE_VIEW &instance) {
    instance.start = start;
    if (!perf_read32(block, start + instance_byte_length, instance.byte_length) ||
        instance.byte_length < instance_size)
        return false;
    instance.counter_block = start + instance.byte_length;
    // Each step moves past the counter block's length field at least.
    return perf_read32(block, instance.counter_block + counter_block_byte_length,
                       instance.counter_block_length) &&
           instance.counter_block_length >= 4 &&
           instance.counter_block_length <= block.size() - instance.counter_block;
}

} // namespace

bool perf_first_instance(PERF_BYTES block, const PERF_OBJECT_VIEW &object,
                         PERF_INSTANCE_VIEW &instance) {
    return instance_at(block, object.start + object.definition_length, instance);
}

bool perf_next_instance(PERF_BYTES block, PERF_INSTANCE_VIEW &instance) {
    return instance_at(block, instance.counter_block + instance.counter_block_length, instance);
}

bool perf_counter_value(PERF_BYTES block, const PERF_INSTANCE_VIEW &instance,
                        const PERF_COUNTER_VIEW &counter, std::uint64_t &value) {
    const std::size_t width = counter.size == 8 ? 8 : 4;
    if (counter.offset > instance.counter_block_length ||
        instance.counter_block_length - counter.offset < width)
        return false;
    const std::size_t at = instance.counter_block + counter.offset;
    if (width == 8)
        return perf_read64(block, at, value);
    std::uint32_t v = 0;
    if (!perf_read32(block, at, v))
        return false;
    value = v;
    return true;
}

std::size_t perf_instance_name(PERF_BYTES block, const PERF_INSTANCE_VIEW &instance, char *out,
                               std::size_t capacity) {
    if (capacity == 0)
        return 0;
    out[0] = '\0';
    std::uint32_t offset = 0;
    if (!perf_read32(block, instance.start + instance_name_offset, offset) ||
        offset < instance_size || offset >= instance.byte_length)
        return 0;
    const std::size_t end = instance.start + instance.byte_length; // checked by instance_at
    std::size_t at = instance.start + offset;
    std::size_t used = 0;
    auto unit = [&](std::size_t p) {
        return static_cast<std::uint32_t>(block[p] | block[p + 1] << 8);
    };
    while (at + 2 <= end) {
        std::uint32_t cp = unit(at);
        if (cp == 0)
            break;
        at += 2;
        if (cp >= 0xD800 && cp <= 0xDBFF && at + 2 <= end && unit(at) >= 0xDC00 &&
            unit(at) <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(at) - 0xDC00);
            at += 2;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = '?';
        }
        char bytes[4];
        std::size_t n;
        if (cp < 0x80) {
            bytes[0] = static_cast<char>(cp);
            n = 1;
        } else if (cp < 0x800) {
            bytes[0] = static_cast<char>(0xC0 | cp >> 6);
            bytes[1] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 2;
        } else if (cp < 0x10000) {
            bytes[0] = static_cast<char>(0xE0 | cp >> 12);
            bytes[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            bytes[2] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 3;
        } else {
            bytes[0] = static_cast<char>(0xF0 | cp >> 18);
            bytes[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            bytes[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            bytes[3] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 4;
        }
        if (used + n > capacity - 1)
            break; // never split a character
        for (std::size_t k = 0; k < n; ++k)
            out[used++] = bytes[k];
    }
    out[used] = '\0';
    return used;
}
