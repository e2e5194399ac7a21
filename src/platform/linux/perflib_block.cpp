#include "platform/linux/perflib_block.h"

#include "platform/perf_data.h"

#include <algorithm>
#include <cstring>

namespace platform {

using namespace perf_layout;

namespace {

constexpr std::size_t align8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

} // namespace

std::uint32_t next_code_point(std::string_view text, std::size_t &i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    auto cont = [&](std::size_t k) {
        return i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    };
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]) & 0x3Fu; };
    if (b0 >= 0xC2 && b0 <= 0xDF && cont(1)) {
        std::uint32_t cp = ((b0 & 0x1Fu) << 6) | byte(1);
        i += 2;
        return cp;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF && cont(1) && cont(2)) {
        std::uint32_t cp = ((b0 & 0x0Fu) << 12) | (byte(1) << 6) | byte(2);
        if (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) {
            i += 3;
            return cp;
        }
    }
    if (b0 >= 0xF0 && b0 <= 0xF4 && cont(1) && cont(2) && cont(3)) {
        std::uint32_t cp = ((b0 & 0x07u) << 18) | (byte(1) << 12) | (byte(2) << 6) | byte(3);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            i += 4;
            return cp;
        }
    }
    ++i;
    return b0;
}

PERF_BLOCK_WRITER::PERF_BLOCK_WRITER(std::vector<std::uint8_t> &out) : out_(out) { out_.clear(); }

std::size_t PERF_BLOCK_WRITER::grow(std::size_t bytes) {
    const std::size_t at = out_.size();
    out_.resize(at + bytes); // value-initialised: zero
    return at;
}

void PERF_BLOCK_WRITER::put32(std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        out_[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

void PERF_BLOCK_WRITER::put64(std::size_t at, std::uint64_t v) {
    put32(at, static_cast<std::uint32_t>(v));
    put32(at + 4, static_cast<std::uint32_t>(v >> 32));
}

void PERF_BLOCK_WRITER::begin_block(std::uint64_t file_time, std::uint64_t perf_time,
                                    std::uint64_t perf_freq) {
    out_.clear();
    objects_ = 0;
    grow(block_size);
    const char sig[] = "PERF";
    for (int k = 0; k < 4; ++k)
        out_[block_signature + 2 * k] = static_cast<std::uint8_t>(sig[k]);
    put32(block_little_endian, 1);
    put32(block_version, 1);
    put32(block_revision, 1);
    put32(block_header_length, block_size);
    put32(block_default_object, title_processor);
    const SYSTEM_TIME st = file_time_to_system_time(file_time);
    const std::uint16_t fields[8] = {st.year, st.month, st.day_of_week, st.day,
                                     st.hour, st.minute, st.second,      st.milliseconds};
    for (int k = 0; k < 8; ++k) {
        out_[block_system_time + 2 * k] = static_cast<std::uint8_t>(fields[k]);
        out_[block_system_time + 2 * k + 1] = static_cast<std::uint8_t>(fields[k] >> 8);
    }
    put64(block_perf_time, perf_time);
    put64(block_perf_freq, perf_freq);
    put64(block_perf_time_100nsec, file_time);
}

void PERF_BLOCK_WRITER::begin_object(std::uint32_t title_index, std::span<const PERF_COUNTER_SPEC> counters,
                                     std::uint64_t perf_time, std::uint64_t perf_freq) {
    counter_count_ = std::min(counters.size(), std::size(counters_));
    object_start_ = grow(object_size + counter_definition_size * counter_count_);
    instances_ = 0;
    put32(object_start_ + object_definition_length,
          static_cast<std::uint32_t>(object_size + counter_definition_size * counter_count_));
    put32(object_start_ + object_header_length, object_size);
    put32(object_start_ + object_name_title_index, title_index);
    put32(object_start_ + object_help_title_index, title_index + 1);
    put32(object_start_ + object_detail_level, 100); // novice
    put32(object_start_ + object_num_counters, static_cast<std::uint32_t>(counter_count_));
    put64(object_start_ + object_perf_time, perf_time);
    put64(object_start_ + object_perf_freq, perf_freq);

    // Values sit after the 4-byte ByteLength, 8-byte counters 8-aligned.
    std::size_t offset = counter_block_size;
    for (std::size_t i = 0; i < counter_count_; ++i) {
        counters_[i] = counters[i];
        if (counters_[i].size != 8)
            counters_[i].size = 4;
        if (counters_[i].size == 8)
            offset = align8(offset);
        counter_offsets_[i] = static_cast<std::uint32_t>(offset);
        offset += counters_[i].size;

        const std::size_t def = object_start_ + object_size + counter_definition_size * i;
        put32(def + counter_byte_length, counter_definition_size);
        put32(def + counter_name_title_index, counters_[i].title_index);
        put32(def + counter_help_title_index, counters_[i].title_index + 1);
        put32(def + counter_detail_level, 100);
        put32(def + counter_type, counters_[i].counter_type);
        put32(def + counter_size, counters_[i].size);
        put32(def + counter_offset, counter_offsets_[i]);
    }
    counter_block_length_ = static_cast<std::uint32_t>(align8(offset));
}

void PERF_BLOCK_WRITER::add_instance(std::string_view name, std::span<const std::uint64_t> values) {
    // Name as UTF-16 straight into the output; its length is known only
    // after decoding, so the definition is sized afterwards.
    const std::size_t start = grow(instance_size);
    std::size_t i = 0;
    while (i < name.size()) {
        std::uint32_t cp = next_code_point(name, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            const std::size_t at = grow(4);
            const std::uint32_t hi = 0xD800 + (cp >> 10), lo = 0xDC00 + (cp & 0x3FF);
            out_[at] = static_cast<std::uint8_t>(hi);
            out_[at + 1] = static_cast<std::uint8_t>(hi >> 8);
            out_[at + 2] = static_cast<std::uint8_t>(lo);
            out_[at + 3] = static_cast<std::uint8_t>(lo >> 8);
        } else {
            const std::size_t at = grow(2);
            out_[at] = static_cast<std::uint8_t>(cp);
            out_[at + 1] = static_cast<std::uint8_t>(cp >> 8);
        }
    }
    grow(2); // the terminating NUL
    const std::size_t name_bytes = out_.size() - start - instance_size;
    grow(align8(out_.size() - start) - (out_.size() - start));
    const std::size_t length = out_.size() - start;
    put32(start + instance_byte_length, static_cast<std::uint32_t>(length));
    put32(start + instance_unique_id, 0xFFFFFFFFu); // PERF_NO_UNIQUE_ID
    put32(start + instance_name_offset, instance_size);
    put32(start + instance_name_length, static_cast<std::uint32_t>(name_bytes));

    const std::size_t block = grow(counter_block_length_);
    put32(block + counter_block_byte_length, counter_block_length_);
    for (std::size_t c = 0; c < counter_count_; ++c) {
        const std::uint64_t v = c < values.size() ? values[c] : 0;
        if (counters_[c].size == 8)
            put64(block + counter_offsets_[c], v);
        else
            put32(block + counter_offsets_[c], static_cast<std::uint32_t>(v));
    }
    ++instances_;
}

void PERF_BLOCK_WRITER::end_object() {
    put32(object_start_ + object_total_byte_length,
          static_cast<std::uint32_t>(out_.size() - object_start_));
    put32(object_start_ + object_num_instances, static_cast<std::uint32_t>(instances_));
    ++objects_;
}

void PERF_BLOCK_WRITER::finish() {
    put32(block_total_byte_length, static_cast<std::uint32_t>(out_.size()));
    put32(block_num_object_types, objects_);
}

} // namespace platform
