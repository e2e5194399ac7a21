#include "logging/global_stat_file.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

static_assert(std::endian::native == std::endian::little, "records are stored as raw little-endian memory");

template <typename T> T load(std::string_view bytes, std::size_t at) {
    T v{};
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

template <typename T> void store(std::string &out, std::size_t at, T v) {
    std::memcpy(out.data() + at, &v, sizeof v);
}

constexpr double two_to_64 = 18446744073709551616.0;

std::string_view name_of(const char *name, std::size_t field) { return {name, strnlen(name, field)}; }

} // namespace

GLOBAL_STAT_STATE parse_global_stat(std::string_view bytes, PROCESS_MAP_LONG &map,
                                    GLOBAL_STAT_HEADER &header) {
    map.clear();
    if (bytes.size() < global_stat_header_size)
        return GLOBAL_STAT_STATE::damaged;
    const auto record_count = load<std::uint32_t>(bytes, 0);
    header.sample_count = load<std::uint32_t>(bytes, 4);
    header.first_time = load<double>(bytes, 8);
    header.last_time = load<double>(bytes, 16);

    bool damaged = false;
    const std::uint64_t whole_records = (bytes.size() - global_stat_header_size) / global_stat_record_size;
    if (static_cast<std::uint64_t>(record_count) * global_stat_record_size + global_stat_header_size !=
        bytes.size())
        damaged = true;
    const std::uint64_t n = std::min<std::uint64_t>(record_count, whole_records);
    for (std::uint64_t i = 0; i < n; ++i) {
        PROCESS_INFO_STRUCT_LONG record;
        std::memcpy(&record, bytes.data() + global_stat_header_size + i * global_stat_record_size,
                    sizeof record);
        if (std::memchr(record.name, 0, 260) == nullptr) {
            damaged = true;
            std::memset(record.name + 259, 0, sizeof record.name - 259);
        }
        map.emplace(record.id, record);
    }
    return damaged ? GLOBAL_STAT_STATE::damaged : GLOBAL_STAT_STATE::whole;
}

std::string format_global_stat(const PROCESS_MAP_LONG &map, const GLOBAL_STAT_HEADER &header) {
    std::string out(global_stat_header_size + map.size() * global_stat_record_size, '\0');
    store(out, 0, static_cast<std::uint32_t>(map.size()));
    store(out, 4, header.sample_count);
    store(out, 8, header.first_time);
    store(out, 16, header.last_time);
    std::size_t at = global_stat_header_size;
    for (const auto &[key, record] : map) {
        PROCESS_INFO_STRUCT_LONG r = record;
        r.id = key;
        r.padding1 = 0;
        r.padding2 = 0;
        // Nothing after the terminating zero: the bytes on disk are the name and zeros.
        const std::size_t len = strnlen(r.name, 259);
        std::memset(r.name + len, 0, sizeof r.name - len);
        std::memcpy(out.data() + at, &r, sizeof r);
        at += global_stat_record_size;
    }
    return out;
}

std::string empty_global_stat() { return std::string(global_stat_header_size, '\0'); }

bool add_global_stat_cycle(PROCESS_MAP_LONG &map, GLOBAL_STAT_HEADER &header, const PROCESS_MAP &processes,
                           double now) {
    header.sample_count += 1;
    bool within_range = true;

    // The first record of each name in key order, for this cycle only.
    std::unordered_map<std::string_view, PROCESS_INFO_STRUCT_LONG *> by_name;
    by_name.reserve(map.size() + processes.size());
    for (auto &[key, record] : map)
        by_name.emplace(name_of(record.name, sizeof record.name), &record);

    for (const auto &[pid, process] : processes) {
        const std::string_view name = name_of(process.name, 259);
        // A process listed but never sampled has no name: it is no program.
        if (name.empty())
            continue;
        auto found = by_name.find(name);
        if (found != by_name.end()) {
            PROCESS_INFO_STRUCT_LONG &r = *found->second;
            if (static_cast<double>(process.working_set) > two_to_64 - r.ram_sum ||
                static_cast<double>(process.page_file_bytes) > two_to_64 - r.paged_sum ||
                r.samples == 0xFFFFFFFFu) {
                within_range = false;
                continue;
            }
            r.cpu_sum += process.cpu_share;
            r.ram_sum += static_cast<double>(process.working_set);
            r.paged_sum += static_cast<double>(process.page_file_bytes);
            r.threads_sum += static_cast<double>(process.thread_count);
            r.handles_sum += static_cast<double>(process.handle_count);
            if (r.last_seen == header.last_time)
                r.run_time += now - header.last_time;
            r.last_seen = now;
            r.samples += 1;
            continue;
        }
        // In a whole file the ids are 1 .. n, so this is n + 1; a damaged
        // file's gaps or strays must not make a new record collide.
        std::uint32_t id = static_cast<std::uint32_t>(map.size() + 1);
        while (map.count(id) != 0)
            ++id;
        PROCESS_INFO_STRUCT_LONG r;
        r.id = id;
        r.cpu_sum = process.cpu_share;
        r.ram_sum = static_cast<double>(process.working_set);
        r.paged_sum = static_cast<double>(process.page_file_bytes);
        r.handles_sum = static_cast<double>(process.handle_count);
        r.threads_sum = static_cast<double>(process.thread_count);
        std::memcpy(r.name, name.data(), name.size());
        r.last_seen = now;
        r.run_time = 0.0;
        r.samples = 1;
        auto inserted = map.emplace(id, r).first;
        by_name.emplace(name_of(inserted->second.name, sizeof r.name), &inserted->second);
    }
    if (header.first_time == 0.0)
        header.first_time = now;
    header.last_time = now;
    return within_range;
}

std::uint64_t current_file_time() {
    using namespace std::chrono;
    // 1601-01-01 to 1970-01-01 in 100-ns units.
    constexpr std::uint64_t unix_epoch = 116444736000000000ull;
    const auto since_1970 = duration_cast<duration<std::int64_t, std::ratio<1, 10000000>>>(
        system_clock::now().time_since_epoch());
    return unix_epoch + static_cast<std::uint64_t>(since_1970.count());
}
