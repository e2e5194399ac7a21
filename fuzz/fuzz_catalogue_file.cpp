// vorkel.dat: any bytes are cut into sections without reading past them;
// only whole records come out; what is decoded, encoded and joined again
// reads back the same.
#include "catalogue/catalogue_file_format.h"
#include "catalogue/link_map.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view image(reinterpret_cast<const char *>(data), size);
    const CATALOGUE_SECTIONS_STRUCT sections = split_catalogue(image);
    FUZZ_CHECK(sections.links.size() % link_record_size == 0);
    FUZZ_CHECK(sections.never_add.size() % name_field_size == 0);
    // Sections may overlap (the header places each), but none is longer
    // than the data after the header.
    const std::size_t body = size < catalogue_header_size ? 0 : size - catalogue_header_size;
    FUZZ_CHECK(sections.links.size() <= body && sections.never_add.size() <= body);
    FUZZ_CHECK(sections.extra.size() <= body);

    LINK_MAP map;
    decode_link_records(sections.links, map);
    APP_LIST list;
    decode_never_add(sections.never_add, list);
    FUZZ_CHECK(map.size() <= size / link_record_size);
    FUZZ_CHECK(list.size() <= size / name_field_size);

    // Written back and read again: the same catalogue, an undamaged file.
    const std::string links = encode_link_records(map);
    const std::string never_add = encode_never_add(list);
    const std::string joined = join_catalogue(links, never_add, sections.extra);
    const CATALOGUE_SECTIONS_STRUCT again = split_catalogue(joined);
    FUZZ_CHECK(!again.damaged);
    FUZZ_CHECK(again.links == links && again.never_add == never_add && again.extra == sections.extra);
    LINK_MAP map2;
    APP_LIST list2;
    FUZZ_CHECK(decode_link_records(again.links, map2));
    FUZZ_CHECK(decode_never_add(again.never_add, list2));
    FUZZ_CHECK(map2.size() == map.size() && list2 == list);
    for (auto a = map.begin(), b = map2.begin(); a != map.end(); ++a, ++b) {
        FUZZ_CHECK(a->first == b->first);
        FUZZ_CHECK(a->second.show_in_menu == b->second.show_in_menu);
        FUZZ_CHECK(a->second.startup == b->second.startup && a->second.reserved == b->second.reserved);
    }
    return 0;
}
