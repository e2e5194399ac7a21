#include "catalogue/icon_file_format.h"

#include <cstdint>
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
