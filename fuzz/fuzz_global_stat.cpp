// vorkel.glb: any bytes read without reading past them, never more records
// than whole ones fit, ids ascending; the records written back read again
// as the same records and header, and as a whole file.
#include "fuzz_check.h"
#include "logging/global_stat_file.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    PROCESS_MAP_LONG map;
    GLOBAL_STAT_HEADER header;
    const GLOBAL_STAT_STATE state = parse_global_stat(bytes, map, header);
    const std::size_t whole =
        size < global_stat_header_size ? 0 : (size - global_stat_header_size) / global_stat_record_size;
    FUZZ_CHECK(map.size() <= whole);
    for (const auto &[id, r] : map) {
        FUZZ_CHECK(r.id == id);
        FUZZ_CHECK(std::memchr(r.name, '\0', 260) != nullptr);
    }
    if (state == GLOBAL_STAT_STATE::whole)
        FUZZ_CHECK(size == global_stat_header_size + whole * global_stat_record_size);

    const std::string written = format_global_stat(map, header);
    FUZZ_CHECK(written.size() == global_stat_header_size + map.size() * global_stat_record_size);
    PROCESS_MAP_LONG map2;
    GLOBAL_STAT_HEADER header2;
    FUZZ_CHECK(parse_global_stat(written, map2, header2) == GLOBAL_STAT_STATE::whole);
    FUZZ_CHECK(header2.sample_count == header.sample_count);
    FUZZ_CHECK(std::memcmp(&header2.first_time, &header.first_time, sizeof(double)) == 0);
    FUZZ_CHECK(std::memcmp(&header2.last_time, &header.last_time, sizeof(double)) == 0);
    FUZZ_CHECK(map2.size() == map.size());
    for (auto a = map.begin(), b = map2.begin(); a != map.end(); ++a, ++b) {
        FUZZ_CHECK(a->first == b->first);
        // The same figures; the padding and the bytes after the name's
        // zero are written as zeros.
        PROCESS_INFO_STRUCT_LONG expected = a->second;
        expected.padding1 = expected.padding2 = 0;
        const std::size_t len = strnlen(expected.name, 259);
        std::memset(expected.name + len, 0, sizeof expected.name - len);
        FUZZ_CHECK(std::memcmp(&expected, &b->second, sizeof expected) == 0);
    }
    FUZZ_CHECK(format_global_stat(map2, header2) == written);
    return 0;
}
