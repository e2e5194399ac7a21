// The statistics file vorkel.glb and the collector's arithmetic.
//
// Layout, little-endian: a 24-byte header (record_count u32, sample_count
// u32, first_time f64, last_time f64) followed by record_count records of
// PROCESS_INFO_STRUCT_LONG (344 bytes each) in ascending id order. Times are
// UTC in 100-ns units since 1601-01-01, as reals.
//
// Pure functions over bytes and records; any thread.
#pragma once

#include "monitor/process_info.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// One program's accumulated figures, stored in the file exactly as laid out.
struct PROCESS_INFO_STRUCT_LONG {
    std::uint32_t id = 0; // sequence number, 1 for the first program; equal to the map key
    std::uint32_t padding1 = 0;
    double cpu_sum = 0.0;      // sum of cpu_share over the samples (1.0 = one processor)
    double ram_sum = 0.0;      // sum of working sets, bytes
    double paged_sum = 0.0;    // sum of page-file usages, bytes
    double handles_sum = 0.0;  // sum of handle counts
    double threads_sum = 0.0;  // sum of thread counts
    char name[272] = {};       // the process name, NUL-terminated, at most 259 bytes, zero padded
    double last_seen = 0.0;    // time of the latest cycle with a process of this name
    double run_time = 0.0;     // presence over consecutive cycles, 100-ns units
    std::uint32_t samples = 0; // process observations added
    std::uint32_t padding2 = 0;
};

static_assert(sizeof(double) == 8, "reals are IEEE binary64");
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, id) == 0);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, cpu_sum) == 8);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, ram_sum) == 16);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, paged_sum) == 24);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, handles_sum) == 32);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, threads_sum) == 40);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, name) == 48);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, last_seen) == 320);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, run_time) == 328);
static_assert(offsetof(PROCESS_INFO_STRUCT_LONG, samples) == 336);
static_assert(sizeof(PROCESS_INFO_STRUCT_LONG) == 344);

// Ascending by id; the key always equals the record's id.
using PROCESS_MAP_LONG = std::map<std::uint32_t, PROCESS_INFO_STRUCT_LONG>;

inline constexpr std::size_t global_stat_header_size = 24;
inline constexpr std::size_t global_stat_record_size = 344;

// The header values other than record_count.
struct GLOBAL_STAT_HEADER {
    std::uint32_t sample_count = 0; // collector cycles since the file was started
    double first_time = 0.0;        // time of the first cycle; 0.0 before it
    double last_time = 0.0;         // time of the latest cycle; 0.0 before the first
};

// How a file's bytes were understood.
enum class GLOBAL_STAT_STATE {
    whole,   // every byte accounted for
    damaged, // shorter or longer than its header says, a header cut short,
             // or a name without its terminating zero; read as far as whole records go
};

// Fills map (emptied first) and header from bytes. A header cut short
// leaves header as given; records are read while whole ones remain; a
// record whose id is already present is skipped; a name with no zero in
// its first 260 bytes is cut to 259.
GLOBAL_STAT_STATE parse_global_stat(std::string_view bytes, PROCESS_MAP_LONG &map,
                                    GLOBAL_STAT_HEADER &header);

// The file's bytes for map and header: record_count = map size, records
// in ascending key order.
std::string format_global_stat(const PROCESS_MAP_LONG &map, const GLOBAL_STAT_HEADER &header);

// The 24-byte zero header of a newly started file.
std::string empty_global_stat();

// One collector cycle: adds 1 to sample_count, adds every process of
// processes (ascending id) to the record of its name (byte-for-byte match,
// first match in key order wins; a new name gets a record with id = number
// of records + 1; a process without a name adds nothing), grows run_time
// only for names present in the previous cycle (last_seen == last_time), then sets
// first_time (when 0.0) and last_time to now. Returns false when a sum
// would pass 2^64 (or a count 2^32): that process adds nothing, the rest
// of the cycle still completes, and the collector is to stop.
bool add_global_stat_cycle(PROCESS_MAP_LONG &map, GLOBAL_STAT_HEADER &header, const PROCESS_MAP &processes,
                           double now);

// The current UTC time in 100-ns units since 1601-01-01.
std::uint64_t current_file_time();
