#include "catalogue/catalogue_file_format.h"

#include <algorithm>

namespace {

std::uint32_t get32(std::string_view bytes, std::size_t at) {
    auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

void put32(std::string &out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void put_name_field(std::string &out, std::string_view path) {
    out.append(path);
    out.append(name_field_size - path.size(), '\0');
}

// The text of a name field up to its first zero byte; false when the field
// holds none (the path would run on into the following bytes).
bool get_name_field(std::string_view field, std::string &text) {
    auto zero = field.find('\0');
    if (zero == std::string_view::npos)
        return false;
    text.assign(field.substr(0, zero));
    return true;
}

// The units of section (stride bytes each, a name field first) whose name
// is terminated and, where names must not be empty, not empty; sets
// damaged when any was left out.
std::string sound_units(std::string_view section, std::size_t stride, bool allow_empty_name, bool &damaged) {
    std::string out;
    out.reserve(section.size());
    for (std::size_t at = 0; at + stride <= section.size(); at += stride) {
        const std::string_view name = section.substr(at, name_field_size);
        const std::size_t zero = name.find('\0');
        if (zero == std::string_view::npos || (zero == 0 && !allow_empty_name)) {
            damaged = true;
            continue;
        }
        out.append(section.substr(at, stride));
    }
    return out;
}

// The bytes [start, start + length) of image clipped to the image and cut
// down to whole units; sets damaged when anything had to be cut.
std::string_view take(std::string_view image, std::uint64_t start, std::uint64_t length,
                      std::uint64_t unit, bool &damaged) {
    if (length == 0)
        return {};
    if (start >= image.size()) {
        damaged = true;
        return {};
    }
    std::uint64_t avail = std::min<std::uint64_t>(length, image.size() - start);
    avail -= avail % unit;
    if (avail != length)
        damaged = true;
    return image.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(avail));
}

} // namespace

CATALOGUE_SECTIONS_STRUCT split_catalogue(std::string_view image) {
    CATALOGUE_SECTIONS_STRUCT s;
    if (image.size() < catalogue_header_size) {
        s.damaged = !image.empty();
        return s;
    }
    // 64-bit arithmetic: sums of two 32-bit header words cannot wrap.
    std::uint64_t links_end = get32(image, 0);
    std::uint64_t extra_offset = get32(image, 4);
    std::uint64_t list_size = get32(image, 8);
    std::uint64_t extra_size = get32(image, 12);

    if (links_end < catalogue_header_size) {
        // Section 2 would start inside the header: neither section can be
        // located.
        s.damaged = true;
    } else {
        // Only sound records are taken, so a writer that carries a section
        // over never carries its damage into the new file.
        s.links = sound_units(take(image, catalogue_header_size, links_end - catalogue_header_size,
                                   link_record_size, s.damaged),
                              link_record_size, false, s.damaged);
        s.never_add = sound_units(take(image, links_end, list_size, name_field_size, s.damaged),
                                  name_field_size, true, s.damaged);
    }
    if (extra_size > 0 && extra_offset < catalogue_header_size)
        s.damaged = true;
    else
        s.extra = take(image, extra_offset, extra_size, 1, s.damaged);
    return s;
}

std::string join_catalogue(std::string_view links, std::string_view never_add,
                           std::string_view extra) {
    std::string out;
    out.reserve(catalogue_header_size + links.size() + never_add.size() + extra.size());
    auto links_end = static_cast<std::uint32_t>(catalogue_header_size + links.size());
    put32(out, links_end);
    put32(out, links_end + static_cast<std::uint32_t>(never_add.size()));
    put32(out, static_cast<std::uint32_t>(never_add.size()));
    put32(out, static_cast<std::uint32_t>(extra.size()));
    out.append(links);
    out.append(never_add);
    out.append(extra);
    return out;
}

std::string encode_link_records(const LINK_MAP &map) {
    std::string out;
    out.reserve(map.size() * link_record_size);
    for (const auto &[path, rec] : map) {
        if (!storable_path(path) || path.empty())
            continue;
        put_name_field(out, path);
        put32(out, static_cast<std::uint32_t>(rec.show_in_menu));
        put32(out, static_cast<std::uint32_t>(rec.startup));
        put32(out, static_cast<std::uint32_t>(rec.reserved));
    }
    return out;
}

bool decode_link_records(std::string_view links, LINK_MAP &map) {
    bool ok = true;
    std::string key;
    for (std::size_t at = 0; at + link_record_size <= links.size(); at += link_record_size) {
        if (!get_name_field(links.substr(at, name_field_size), key) || key.empty()) {
            ok = false;
            continue;
        }
        LINK_PROPERTIES_STRUCT rec;
        rec.show_in_menu = static_cast<std::int32_t>(get32(links, at + 260));
        rec.startup = static_cast<std::int32_t>(get32(links, at + 264));
        rec.reserved = static_cast<std::int32_t>(get32(links, at + 268));
        map.emplace(key, rec); // a repeated key keeps the first record
    }
    return ok;
}

std::string encode_never_add(const APP_LIST &list) {
    std::string out;
    for (const auto &path : list)
        if (storable_path(path))
            put_name_field(out, path);
    return out;
}

bool decode_never_add(std::string_view never_add, APP_LIST &list) {
    bool ok = true;
    std::string path;
    for (std::size_t at = 0; at + name_field_size <= never_add.size(); at += name_field_size) {
        if (get_name_field(never_add.substr(at, name_field_size), path))
            list.push_back(path);
        else
            ok = false;
    }
    return ok;
}
