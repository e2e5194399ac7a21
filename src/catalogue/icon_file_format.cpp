#include "catalogue/icon_file_format.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace {

std::uint32_t le(std::string_view b, std::size_t at, int width) {
    std::uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

void put_le(std::string &out, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

constexpr std::string_view png_signature("\x89PNG\r\n\x1a\n", 8);

bool plausible_bitmap(std::string_view image) {
    if (image.size() < 40)
        return false;
    std::uint32_t header = le(image, 0, 4);
    auto width = static_cast<std::int32_t>(le(image, 4, 4));
    auto height2 = static_cast<std::int32_t>(le(image, 8, 4)); // colour and mask rows
    std::uint32_t bits = le(image, 14, 2);
    std::uint32_t compression = le(image, 16, 4);
    if (header < 40 || header > image.size() || width < 1 || width > 256 || height2 < 2 || height2 > 512 ||
        height2 % 2 != 0 || compression != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    std::uint64_t height = static_cast<std::uint64_t>(height2) / 2;
    std::uint64_t palette = bits <= 8 ? (std::uint64_t{1} << bits) * 4 : 0;
    std::uint32_t used = le(image, 32, 4);
    if (bits <= 8 && used != 0 && used < (1u << bits))
        palette = std::uint64_t{used} * 4;
    std::uint64_t colour_row = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
    std::uint64_t mask_row = ((static_cast<std::uint64_t>(width) + 31) / 32) * 4;
    // Some writers leave the mask out; the colour pixels must be there.
    return header + palette + colour_row * height <= image.size() ||
           header + palette + (colour_row + mask_row) * height <= image.size();
}

} // namespace

std::vector<ICO_ENTRY> ico_entries(std::string_view file, std::size_t max_images) {
    std::vector<ICO_ENTRY> out;
    if (file.size() < 6 || le(file, 0, 2) != 0 || le(file, 2, 2) != 1)
        return out;
    std::size_t count = le(file, 4, 2);
    for (std::size_t i = 0; i < count && out.size() < max_images; ++i) {
        std::size_t at = 6 + 16 * i;
        if (at + 16 > file.size())
            break;
        ICO_ENTRY e;
        e.size = le(file, at + 8, 4);
        e.offset = le(file, at + 12, 4);
        if (e.size == 0 || e.offset < 6 || e.offset > file.size() || e.size > file.size() - e.offset)
            continue;
        std::string_view image = file.substr(e.offset, e.size);
        e.png = image.substr(0, png_signature.size()) == png_signature;
        if (!e.png && !plausible_bitmap(image))
            continue;
        out.push_back(e);
    }
    return out;
}

std::string single_image_ico(std::string_view file, const ICO_ENTRY &entry) {
    std::string out;
    put_le(out, 0, 2);
    put_le(out, 1, 2);
    put_le(out, 1, 2);
    // The directory entry as in the file, pointing at the image after it.
    std::size_t index_at = 0;
    std::size_t count = le(file, 4, 2);
    for (std::size_t i = 0; i < count && 6 + 16 * i + 16 <= file.size(); ++i)
        if (le(file, 6 + 16 * i + 12, 4) == entry.offset && le(file, 6 + 16 * i + 8, 4) == entry.size) {
            index_at = 6 + 16 * i;
            break;
        }
    if (index_at)
        out.append(file.substr(index_at, 8));
    else
        out.append(8, '\0');
    put_le(out, static_cast<std::uint32_t>(entry.size), 4);
    put_le(out, 22, 4);
    out.append(file.substr(entry.offset, entry.size));
    return out;
}

namespace {

constexpr std::uint32_t rt_icon = 3;
constexpr std::uint32_t rt_group_icon = 14;
// Entries of one resource directory that are looked at; real files have
// a few dozen.
constexpr std::size_t max_directory_entries = 4096;

struct PE_VIEW {
    std::string_view file;
    struct SECTION {
        std::uint32_t address, size, raw_offset, raw_size;
    };
    std::vector<SECTION> sections;
    std::size_t resources = 0; // file offset of the resource directory

    bool has(std::size_t at, std::size_t n) const { return at <= file.size() && n <= file.size() - at; }

    // The file offset of n bytes at a relative virtual address.
    std::optional<std::size_t> offset_of(std::uint32_t rva, std::size_t n) const {
        for (const SECTION &s : sections) {
            if (rva < s.address)
                continue;
            std::uint64_t into = rva - s.address;
            if (into + n > s.raw_size || into + n > std::max(s.size, s.raw_size))
                continue;
            std::uint64_t at = s.raw_offset + into;
            if (at > file.size() || n > file.size() - at)
                return std::nullopt;
            return static_cast<std::size_t>(at);
        }
        return std::nullopt;
    }
};

std::optional<PE_VIEW> open_pe(std::string_view file) {
    PE_VIEW pe{file, {}, 0};
    if (!pe.has(0, 64) || file.substr(0, 2) != "MZ")
        return std::nullopt;
    std::size_t nt = le(file, 0x3c, 4);
    if (!pe.has(nt, 24) || file.substr(nt, 4) != std::string_view("PE\0\0", 4))
        return std::nullopt;
    std::size_t section_count = le(file, nt + 6, 2);
    std::size_t optional_size = le(file, nt + 20, 2);
    std::size_t optional = nt + 24;
    if (!pe.has(optional, optional_size) || optional_size < 2)
        return std::nullopt;
    std::uint32_t magic = le(file, optional, 2);
    std::size_t count_at = magic == 0x10b ? 92 : magic == 0x20b ? 108 : 0;
    if (!count_at || optional_size < count_at + 4)
        return std::nullopt;
    std::size_t directories = le(file, optional + count_at, 4);
    std::size_t resource_entry = count_at + 4 + 2 * 8;
    if (directories < 3 || optional_size < resource_entry + 8)
        return std::nullopt;
    std::uint32_t resource_rva = le(file, optional + resource_entry, 4);
    std::size_t table = optional + optional_size;
    for (std::size_t i = 0; i < section_count && i < 96; ++i) {
        std::size_t at = table + 40 * i;
        if (!pe.has(at, 40))
            return std::nullopt;
        pe.sections.push_back(
            {le(file, at + 12, 4), le(file, at + 8, 4), le(file, at + 20, 4), le(file, at + 16, 4)});
    }
    std::optional<std::size_t> resources = pe.offset_of(resource_rva, 16);
    if (!resource_rva || !resources)
        return std::nullopt;
    pe.resources = *resources;
    return pe;
}

struct RESOURCE_ENTRY {
    std::uint32_t id = 0; // 0 for named entries
    bool named = false;
    std::size_t target = 0; // offset from the resource directory's start
    bool directory = false;
};

std::vector<RESOURCE_ENTRY> directory_entries(const PE_VIEW &pe, std::size_t at) {
    std::vector<RESOURCE_ENTRY> out;
    std::size_t base = pe.resources + at;
    if (!pe.has(base, 16))
        return out;
    std::size_t count = std::size_t{le(pe.file, base + 12, 2)} + le(pe.file, base + 14, 2);
    for (std::size_t i = 0; i < count && i < max_directory_entries; ++i) {
        std::size_t e = base + 16 + 8 * i;
        if (!pe.has(e, 8))
            break;
        std::uint32_t name = le(pe.file, e, 4), target = le(pe.file, e + 4, 4);
        out.push_back({name & 0x80000000u ? 0 : name, (name & 0x80000000u) != 0, target & 0x7fffffffu,
                       (target & 0x80000000u) != 0});
    }
    return out;
}

// The data of the first leaf below a directory entry (the first language).
std::optional<std::string_view> first_leaf(const PE_VIEW &pe, RESOURCE_ENTRY entry) {
    for (int depth = 0; entry.directory; ++depth) {
        std::vector<RESOURCE_ENTRY> below = directory_entries(pe, entry.target);
        if (below.empty() || depth > 2)
            return std::nullopt;
        entry = below.front();
    }
    std::size_t at = pe.resources + entry.target;
    if (!pe.has(at, 16))
        return std::nullopt;
    std::uint32_t rva = le(pe.file, at, 4), size = le(pe.file, at + 4, 4);
    std::optional<std::size_t> data = pe.offset_of(rva, size);
    if (!data || size == 0)
        return std::nullopt;
    return pe.file.substr(*data, size);
}

} // namespace

std::vector<std::string> pe_small_icons(std::string_view file, std::size_t max_icons) {
    std::vector<std::string> out;
    std::optional<PE_VIEW> pe = open_pe(file);
    if (!pe)
        return out;
    std::vector<RESOURCE_ENTRY> groups, images;
    for (const RESOURCE_ENTRY &type : directory_entries(*pe, 0)) {
        if (type.named || !type.directory)
            continue;
        if (type.id == rt_group_icon && groups.empty())
            groups = directory_entries(*pe, type.target);
        else if (type.id == rt_icon && images.empty())
            images = directory_entries(*pe, type.target);
    }
    std::map<std::uint32_t, RESOURCE_ENTRY> image_by_id;
    for (const RESOURCE_ENTRY &e : images)
        if (!e.named)
            image_by_id.emplace(e.id, e);

    for (const RESOURCE_ENTRY &group : groups) {
        if (out.size() >= max_icons)
            break;
        std::optional<std::string_view> dir = first_leaf(*pe, group);
        if (!dir || dir->size() < 6 || le(*dir, 0, 2) != 0 || le(*dir, 2, 2) != 1)
            continue;
        std::size_t count = le(*dir, 4, 2);
        // The entry nearest 16 pixels a side, then the deepest colour.
        std::optional<std::size_t> best;
        auto score = [&](std::size_t at) {
            std::uint32_t side = static_cast<std::uint8_t>((*dir)[at]);
            side = side ? side : 256;
            std::uint32_t distance = side >= 16 ? side - 16 : (16 - side) * 2;
            return std::make_pair(distance, -static_cast<int>(le(*dir, at + 6, 2)));
        };
        for (std::size_t i = 0; i < count && 6 + 14 * (i + 1) <= dir->size(); ++i) {
            std::size_t at = 6 + 14 * i;
            if (!image_by_id.count(le(*dir, at + 12, 2)))
                continue;
            if (!best || score(at) < score(*best))
                best = at;
        }
        if (!best)
            continue;
        std::optional<std::string_view> image = first_leaf(*pe, image_by_id[le(*dir, *best + 12, 2)]);
        if (!image)
            continue;
        std::string ico;
        put_le(ico, 0, 2);
        put_le(ico, 1, 2);
        put_le(ico, 1, 2);
        ico.append(dir->substr(*best, 8)); // width, height, colours, reserved, planes, bits
        put_le(ico, static_cast<std::uint32_t>(image->size()), 4);
        put_le(ico, 22, 4);
        ico.append(*image);
        if (!ico_entries(ico, 1).empty())
            out.push_back(std::move(ico));
    }
    return out;
}
