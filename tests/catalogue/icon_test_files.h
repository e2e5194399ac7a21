// Prepared icon files for the icon tests and the fuzz seeds: bitmap
// images, .ico files and minimal Windows programs carrying icon resources.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace icon_test {

inline void put(std::string &s, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A 16 x 16, 32-bit bitmap image of one colour as an icon file stores it:
// header with double height, bottom-up pixels, then the 1-bit mask.
inline std::string bitmap_image(std::uint32_t colour, std::int32_t width = 16) {
    std::string s;
    put(s, 40, 4);
    put(s, static_cast<std::uint32_t>(width), 4);
    put(s, 32, 4);
    put(s, 1, 2);
    put(s, 32, 2);
    put(s, 0, 4);
    put(s, 16 * 16 * 4, 4);
    s.append(16, '\0');
    for (int i = 0; i < 256; ++i) {
        s.push_back(static_cast<char>(colour & 0xff));
        s.push_back(static_cast<char>((colour >> 8) & 0xff));
        s.push_back(static_cast<char>((colour >> 16) & 0xff));
        s.push_back(static_cast<char>(0xff));
    }
    s.append(16 * 4, '\0');
    return s;
}

struct ICO_PART {
    std::string image;
    std::uint32_t claimed_size = 0;   // 0: the real size
    std::uint32_t claimed_offset = 0; // 0: the real offset
};

inline std::string ico_file(const std::vector<ICO_PART> &parts, std::uint16_t count = 0) {
    std::string head;
    put(head, 0, 2);
    put(head, 1, 2);
    put(head, count ? count : static_cast<std::uint16_t>(parts.size()), 2);
    std::string data;
    std::size_t offset = 6 + 16 * parts.size();
    for (const ICO_PART &p : parts) {
        head += std::string("\x10\x10\0\0", 4);
        put(head, 1, 2);
        put(head, 32, 2);
        put(head, p.claimed_size ? p.claimed_size : static_cast<std::uint32_t>(p.image.size()), 4);
        put(head, p.claimed_offset ? p.claimed_offset : static_cast<std::uint32_t>(offset + data.size()), 4);
        data += p.image;
    }
    return head + data;
}

struct PE_GROUP_IMAGE {
    int side;
    int bits;
    std::uint16_t image_id;
};

// A minimal 32-bit Windows program: headers, one ".rsrc" section holding
// RT_ICON images (by id) and RT_GROUP_ICON groups (ids 100, 101, ...).
inline std::string pe_with_icons(const std::vector<std::pair<std::uint16_t, std::string>> &images,
                                 const std::vector<std::vector<PE_GROUP_IMAGE>> &groups) {
    const std::uint32_t section_rva = 0x1000, raw = 0x200;
    // Directory layout: root (2 types), the two type directories, one
    // language directory per resource, the data entries, then the data.
    const std::size_t n = images.size() + groups.size();
    const std::size_t root = 0, icon_dir = 16 + 2 * 8, group_dir = icon_dir + 16 + 8 * images.size();
    const std::size_t lang0 = group_dir + 16 + 8 * groups.size();
    const std::size_t data_entries = lang0 + n * 24;
    std::size_t data_at = data_entries + n * 16;
    std::string rsrc;
    auto dir = [&](std::size_t count) {
        put(rsrc, 0, 4);
        put(rsrc, 0, 4);
        put(rsrc, 0, 4);
        put(rsrc, 0, 2);
        put(rsrc, static_cast<std::uint32_t>(count), 2);
    };
    dir(2);
    put(rsrc, 3, 4);
    put(rsrc, 0x80000000u | static_cast<std::uint32_t>(icon_dir), 4);
    put(rsrc, 14, 4);
    put(rsrc, 0x80000000u | static_cast<std::uint32_t>(group_dir), 4);
    (void)root;
    dir(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        put(rsrc, images[i].first, 4);
        put(rsrc, 0x80000000u | static_cast<std::uint32_t>(lang0 + 24 * i), 4);
    }
    dir(groups.size());
    for (std::size_t i = 0; i < groups.size(); ++i) {
        put(rsrc, static_cast<std::uint32_t>(100 + i), 4);
        put(rsrc, 0x80000000u | static_cast<std::uint32_t>(lang0 + 24 * (images.size() + i)), 4);
    }
    for (std::size_t k = 0; k < n; ++k) {
        dir(1);
        put(rsrc, 0x409, 4);
        put(rsrc, static_cast<std::uint32_t>(data_entries + 16 * k), 4);
    }
    std::vector<std::string> blobs;
    for (const auto &image : images)
        blobs.push_back(image.second);
    for (const auto &group : groups) {
        std::string g;
        put(g, 0, 2);
        put(g, 1, 2);
        put(g, static_cast<std::uint32_t>(group.size()), 2);
        for (const PE_GROUP_IMAGE &e : group) {
            g.push_back(static_cast<char>(e.side == 256 ? 0 : e.side));
            g.push_back(static_cast<char>(e.side == 256 ? 0 : e.side));
            g.push_back('\0');
            g.push_back('\0');
            put(g, 1, 2);
            put(g, static_cast<std::uint32_t>(e.bits), 2);
            std::size_t size = 0;
            for (const auto &image : images)
                if (image.first == e.image_id)
                    size = image.second.size();
            put(g, static_cast<std::uint32_t>(size), 4);
            put(g, e.image_id, 2);
        }
        blobs.push_back(g);
    }
    for (const std::string &b : blobs) {
        put(rsrc, static_cast<std::uint32_t>(section_rva + data_at), 4);
        put(rsrc, static_cast<std::uint32_t>(b.size()), 4);
        put(rsrc, 0, 4);
        put(rsrc, 0, 4);
        data_at += b.size();
    }
    for (const std::string &b : blobs)
        rsrc += b;

    std::string pe(0x40, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    pe[0x3c] = 0x40;
    pe += std::string("PE\0\0", 4);
    put(pe, 0x14c, 2);   // i386
    put(pe, 1, 2);       // one section
    pe.append(12, '\0'); // time stamp, symbol table, symbol count
    put(pe, 224, 2);     // optional header size
    put(pe, 0x102, 2);
    std::string optional(224, '\0');
    optional[0] = 0x0b;
    optional[1] = 0x01;
    optional[92] = 16; // data directories
    for (int k = 0; k < 4; ++k) {
        optional[96 + 16 + k] = static_cast<char>((section_rva >> (8 * k)) & 0xff);
        optional[96 + 20 + k] = static_cast<char>((rsrc.size() >> (8 * k)) & 0xff);
    }
    pe += optional;
    std::string section(".rsrc\0\0\0", 8);
    put(section, static_cast<std::uint32_t>(rsrc.size()), 4);
    put(section, section_rva, 4);
    put(section, static_cast<std::uint32_t>(rsrc.size()), 4);
    put(section, raw, 4);
    section.append(16, '\0');
    pe += section;
    pe.resize(raw, '\0');
    return pe + rsrc;
}

} // namespace icon_test
