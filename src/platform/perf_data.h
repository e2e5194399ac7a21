// The system's performance data: the English counter-title table and
// snapshots of performance objects in the published PERF_DATA_BLOCK layout.
//
// On Windows this is HKEY_PERFORMANCE_DATA and the Perflib "Counter" value;
// on Linux a layer builds the same bytes from /proc
// (platform/linux/perflib_*.cpp). The process reader and the CPU unit walk
// the bytes the same way on every platform.
//
// The layout below is the 32-bit one: every offset is a byte count from
// the start of the structure that holds it, all numbers are little-endian.
// It is the contract between a source and its readers, so readers use
// these constants and nothing else.
//
// Tests replace the process-wide source with a fake (set_perf_data_source).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

// Answers of query_performance_data, with the Win32 error numbers.
inline constexpr long perf_error_success = 0;
inline constexpr long perf_error_file_not_found = 2; // no such object
inline constexpr long perf_error_more_data = 234;    // buffer too small

// Standard title indexes of the English table.
inline constexpr std::uint32_t title_processor_time = 6;  // "% Processor Time"
inline constexpr std::uint32_t title_working_set = 180;   // "Working Set"
inline constexpr std::uint32_t title_page_file_bytes = 184;
inline constexpr std::uint32_t title_process = 230;       // object "Process"
inline constexpr std::uint32_t title_processor = 238;     // object "Processor"
inline constexpr std::uint32_t title_thread_count = 680;
inline constexpr std::uint32_t title_elapsed_time = 684; // "Elapsed Time"

inline constexpr std::uint32_t title_id_process = 784;
inline constexpr std::uint32_t title_handle_count = 952;
inline constexpr std::uint32_t title_creating_process_id = 1410; // the parent's id

namespace perf_layout {
// PERF_DATA_BLOCK
inline constexpr std::size_t block_signature = 0; // UTF-16 "PERF"
inline constexpr std::size_t block_little_endian = 8;
inline constexpr std::size_t block_version = 12;
inline constexpr std::size_t block_revision = 16;
inline constexpr std::size_t block_total_byte_length = 20;
inline constexpr std::size_t block_header_length = 24;
inline constexpr std::size_t block_num_object_types = 28;
inline constexpr std::size_t block_default_object = 32;
// SYSTEM_TIME, 16 bytes: the snapshot time. On Windows UTC; the Linux
// source writes its clock since boot there (a date in 1601), so that
// snapshot intervals never step with the calendar clock.
inline constexpr std::size_t block_system_time = 36;
inline constexpr std::size_t block_perf_time = 56;
inline constexpr std::size_t block_perf_freq = 64;
inline constexpr std::size_t block_perf_time_100nsec = 72;
inline constexpr std::size_t block_system_name_length = 80;
inline constexpr std::size_t block_system_name_offset = 84;
inline constexpr std::size_t block_size = 88;

// PERF_OBJECT_TYPE
inline constexpr std::size_t object_total_byte_length = 0;
inline constexpr std::size_t object_definition_length = 4;
inline constexpr std::size_t object_header_length = 8;
inline constexpr std::size_t object_name_title_index = 12;
inline constexpr std::size_t object_help_title_index = 20;
inline constexpr std::size_t object_detail_level = 28;
inline constexpr std::size_t object_num_counters = 32;
inline constexpr std::size_t object_default_counter = 36;
inline constexpr std::size_t object_num_instances = 40; // signed
inline constexpr std::size_t object_code_page = 44;
inline constexpr std::size_t object_perf_time = 48;
inline constexpr std::size_t object_perf_freq = 56;
inline constexpr std::size_t object_size = 64;

// PERF_COUNTER_DEFINITION
inline constexpr std::size_t counter_byte_length = 0;
inline constexpr std::size_t counter_name_title_index = 4;
inline constexpr std::size_t counter_help_title_index = 12;
inline constexpr std::size_t counter_default_scale = 20;
inline constexpr std::size_t counter_detail_level = 24;
inline constexpr std::size_t counter_type = 28;
inline constexpr std::size_t counter_size = 32; // 4 or 8 bytes
inline constexpr std::size_t counter_offset = 36;
inline constexpr std::size_t counter_definition_size = 40;

// PERF_INSTANCE_DEFINITION
inline constexpr std::size_t instance_byte_length = 0;
inline constexpr std::size_t instance_parent_title_index = 4;
inline constexpr std::size_t instance_parent_instance = 8;
inline constexpr std::size_t instance_unique_id = 12;
inline constexpr std::size_t instance_name_offset = 16;
inline constexpr std::size_t instance_name_length = 20;
inline constexpr std::size_t instance_size = 24;

// PERF_COUNTER_BLOCK
inline constexpr std::size_t counter_block_byte_length = 0;
inline constexpr std::size_t counter_block_size = 8; // 4 bytes, padded to 8

// Counter types used by the sources.
inline constexpr std::uint32_t type_rawcount = 0x00010000;       // 32-bit
inline constexpr std::uint32_t type_large_rawcount = 0x00010100; // 64-bit
inline constexpr std::uint32_t type_100nsec_timer = 0x20510500;
inline constexpr std::uint32_t type_100nsec_timer_inv = 0x21510500;
// Its value is a start time; elapsed = (object PerfTime - value) / PerfFreq.
inline constexpr std::uint32_t type_elapsed_time = 0x30240500;
} // namespace perf_layout

// A SYSTEMTIME: calendar time with millisecond resolution, UTC.
struct SYSTEM_TIME {
    std::uint16_t year, month, day_of_week, day, hour, minute, second, milliseconds;
};

namespace detail {
// Days from 1970-01-01 to a proleptic Gregorian date.
constexpr std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}
inline constexpr std::int64_t days_1601_to_1970 = 134774;
inline constexpr std::uint64_t ticks_per_day = 864000000000ULL; // 100-ns
} // namespace detail

// FILETIME (100-ns intervals since 1601-01-01 UTC) from a SYSTEM_TIME.
// False for fields out of range (day_of_week is ignored, as Windows does).
constexpr bool system_time_to_file_time(const SYSTEM_TIME &st, std::uint64_t &file_time) {
    constexpr unsigned char month_days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (st.year < 1601 || st.year > 30827 || st.month < 1 || st.month > 12 || st.day < 1 ||
        st.day > month_days[st.month - 1] || st.hour > 23 || st.minute > 59 || st.second > 59 ||
        st.milliseconds > 999)
        return false;
    const bool leap = (st.year % 4 == 0 && st.year % 100 != 0) || st.year % 400 == 0;
    if (st.month == 2 && st.day == 29 && !leap)
        return false;
    const std::int64_t days =
        detail::days_from_civil(st.year, st.month, st.day) + detail::days_1601_to_1970;
    file_time = static_cast<std::uint64_t>(days) * detail::ticks_per_day +
                ((st.hour * 60ULL + st.minute) * 60ULL + st.second) * 10000000ULL +
                st.milliseconds * 10000ULL;
    return true;
}

// SYSTEM_TIME from a FILETIME; the part below one millisecond is dropped.
constexpr SYSTEM_TIME file_time_to_system_time(std::uint64_t file_time) {
    const std::int64_t days = static_cast<std::int64_t>(file_time / detail::ticks_per_day);
    std::uint64_t rest = file_time % detail::ticks_per_day;
    // Civil date from days since 1970 (inverse of days_from_civil).
    const std::int64_t z = days - detail::days_1601_to_1970 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    SYSTEM_TIME st{};
    st.year = static_cast<std::uint16_t>(y);
    st.month = static_cast<std::uint16_t>(m);
    st.day = static_cast<std::uint16_t>(d);
    st.day_of_week = static_cast<std::uint16_t>((days + 1) % 7); // 1601-01-01 was a Monday
    st.hour = static_cast<std::uint16_t>(rest / 36000000000ULL);
    rest %= 36000000000ULL;
    st.minute = static_cast<std::uint16_t>(rest / 600000000ULL);
    rest %= 600000000ULL;
    st.second = static_cast<std::uint16_t>(rest / 10000000ULL);
    rest %= 10000000ULL;
    st.milliseconds = static_cast<std::uint16_t>(rest / 10000ULL);
    return st;
}

// A provider of performance data. Calls may come from any thread; the
// program serialises them with the lock "get_cpu_and_other", and the
// system's source also guards itself.
class PERF_DATA_SOURCE {
public:
    virtual ~PERF_DATA_SOURCE() = default;

    // The English title table: NUL-terminated 8-bit strings alternating
    // decimal index and title, one extra NUL after the last title. An empty
    // view when the table cannot be read. The bytes stay valid until the
    // source is destroyed.
    virtual std::string_view counter_titles() = 0;

    // Snapshot of the object whose title index is value_name (decimal
    // text, "230" or "238"). *size is the capacity of buffer on entry.
    // perf_error_success: the block is in buffer, *size = bytes used.
    // perf_error_more_data: nothing usable in buffer, *size = bytes the
    // snapshot needed (a later snapshot may need more).
    // Anything else: no data.
    virtual long query_performance_data(const char *value_name, std::uint8_t *buffer,
                                        std::uint32_t *size) = 0;
};

// The process-wide current source: the system's unless a test set another.
PERF_DATA_SOURCE &perf_data_source();

// Makes source the current one; nullptr restores the system's. The caller
// keeps source alive while it is current. For tests.
void set_perf_data_source(PERF_DATA_SOURCE *source);

// Family of the platform, asked once by the CPU unit at its start.
enum class PLATFORM_FAMILY { nt, win9x };

// False when the platform cannot say. Linux reports the NT family: its
// performance data has the NT form.
bool query_platform_family(PLATFORM_FAMILY &family);

// The kernel's dynamic CPU statistic of the 9x family: a percentage that
// runs while the statistic is started. Linux has none; its source fails
// every open, and the program never asks it because the platform reports
// the NT family. Tests fake it.
class KERNEL_STAT_SOURCE {
public:
    virtual ~KERNEL_STAT_SOURCE() = default;
    // Starts the statistic and reads its first value. False when the
    // starting key cannot be opened.
    virtual bool start_statistic(std::uint32_t &cpu_usage_percent) = 0;
    // Opens the key the values are read from, kept open until close.
    virtual bool open_statistic_data() = 0;
    // Reads the current percentage through the open key.
    virtual bool read_cpu_usage(std::uint32_t &cpu_usage_percent) = 0;
    virtual void close_statistic_data() = 0;
    // Stops the statistic.
    virtual void stop_statistic() = 0;
};

KERNEL_STAT_SOURCE &kernel_stat_source();

} // namespace platform
