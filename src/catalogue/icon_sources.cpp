#include "catalogue/icon_sources.h"

#include "catalogue/icon_file_format.h"
#include "common/file_io.h"
#include "platform/file_icons.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

namespace {

constexpr int max_decoded_side = 4096;

QByteArray to_bytes(std::string_view s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

std::string lower_extension(const std::string &path) {
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    for (char &c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

// A picture scaled into 16 x 16, keeping its proportions, centred.
QImage fit_16(const QImage &image) {
    QImage out(icon_side, icon_side, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    if (image.isNull())
        return out;
    // Scaled in full colour: a palette image (a two-colour PNG) keeps its
    // palette through scaling, and the smoothed pixels between its colours
    // come back dithered into a checkerboard.
    QImage scaled = image.width() == icon_side && image.height() == icon_side
                        ? image
                        : image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                              .scaled(icon_side, icon_side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter p(&out);
    p.drawImage((icon_side - scaled.width()) / 2, (icon_side - scaled.height()) / 2, scaled);
    return out;
}

// Decodes one image from bytes (format: a hint such as "svg", or empty to
// let the reader tell). Vector images are drawn at 16 x 16; others are
// decoded only when their size is sane.
QImage decode(const QByteArray &bytes, const char *format = nullptr) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format ? QByteArray(format) : QByteArray());
    reader.setDecideFormatFromContent(true);
    QSize size = reader.size();
    QByteArray kind = reader.format();
    if (kind == "svg" || kind == "svgz") {
        reader.setScaledSize(QSize(icon_side, icon_side));
    } else if (!size.isValid() || size.width() > max_decoded_side || size.height() > max_decoded_side) {
        return {};
    }
    QImage image;
    if (!reader.read(&image))
        return {};
    return image;
}

std::optional<std::string> read_icon_file(const std::string &path) {
    return read_whole_file(path, max_icon_file_bytes);
}

QImage image_of_file(const std::string &path) {
    std::optional<std::string> bytes = read_icon_file(path);
    if (!bytes)
        return {};
    std::string ext = lower_extension(path);
    return decode(to_bytes(*bytes), ext == "svg" || ext == "svgz" ? ext.c_str() : nullptr);
}

std::vector<QImage> ico_images(std::string_view file, int max_images) {
    std::vector<QImage> out;
    for (const ICO_ENTRY &e : ico_entries(file, static_cast<std::size_t>(max_images))) {
        QImage image = e.png ? decode(to_bytes(file.substr(e.offset, e.size)), "png")
                             : decode(to_bytes(single_image_ico(file, e)), "ico");
        if (!image.isNull())
            out.push_back(fit_16(image));
    }
    return out;
}

} // namespace

QIcon icon_from_reference(const std::string &reference) {
    if (reference.empty())
        return {};
    if (reference[0] == '/') {
        QImage image = image_of_file(reference);
        return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
    }
    QIcon icon = QIcon::fromTheme(QString::fromUtf8(reference.c_str()));
    if (icon.isNull()) {
        std::string ext = lower_extension(reference);
        if (ext == "png" || ext == "svg" || ext == "xpm")
            icon = QIcon::fromTheme(QString::fromUtf8(reference.substr(0, reference.size() - 4).c_str()));
    }
    return icon;
}

QIcon shell_icon(const std::string &path) {
    if (!path_exists(path))
        return {};
    QIcon icon = icon_from_reference(platform::program_icon(path));
    if (!icon.isNull())
        return icon;
    for (const std::string &name : platform::file_type_icons(path)) {
        icon = QIcon::fromTheme(QString::fromUtf8(name.c_str()));
        if (!icon.isNull())
            return icon;
    }
    return {};
}

std::vector<QImage> icons_in_file(const std::string &path, int max_images) {
    std::vector<QImage> out;
    if (max_images <= 0)
        return out;
    std::string ext = lower_extension(path);
    if (ext == "desktop") {
        QIcon icon = icon_from_reference(platform::desktop_file_icon(path));
        if (!icon.isNull())
            out.push_back(fit_16(icon.pixmap(icon_side, icon_side).toImage()));
        return out;
    }
    // Large programs are not read; their desktop entry still counts.
    if (std::optional<std::string> bytes = read_icon_file(path)) {
        std::vector<QImage> icons = ico_images(*bytes, max_images);
        if (!icons.empty())
            return icons;
        // A Windows program or library: one small icon per icon group.
        for (const std::string &ico : pe_small_icons(*bytes, static_cast<std::size_t>(max_images)))
            for (QImage &image : ico_images(ico, 1))
                icons.push_back(std::move(image));
        if (!icons.empty())
            return icons;
        QImage image = decode(to_bytes(*bytes), ext == "svg" || ext == "svgz" ? ext.c_str() : nullptr);
        if (!image.isNull()) {
            out.push_back(fit_16(image));
            return out;
        }
    }
    // A program: the icon of the desktop entry that starts it.
    QIcon icon = icon_from_reference(platform::program_icon(path));
    if (!icon.isNull())
        out.push_back(fit_16(icon.pixmap(icon_side, icon_side).toImage()));
    return out;
}

QImage image_from_icon(const ICON_IMAGE &icon) {
    QImage out(icon_side, icon_side, QImage::Format_RGB32);
    for (int y = 0; y < icon_side; ++y) {
        const std::uint8_t *row = icon.data() + static_cast<std::size_t>(icon_side - 1 - y) * icon_side * 3;
        for (int x = 0; x < icon_side; ++x)
            out.setPixel(x, y, qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]));
    }
    return out;
}

ICON_IMAGE icon_from_image(const QImage &picture, QColor background) {
    QImage canvas(icon_side, icon_side, QImage::Format_RGB32);
    canvas.fill(background.rgb());
    if (!picture.isNull()) {
        QPainter p(&canvas);
        p.drawImage(QRect(0, 0, icon_side, icon_side), picture);
    }
    ICON_IMAGE out;
    for (int y = 0; y < icon_side; ++y) {
        std::uint8_t *row = out.data() + static_cast<std::size_t>(icon_side - 1 - y) * icon_side * 3;
        for (int x = 0; x < icon_side; ++x) {
            QRgb c = canvas.pixel(x, y);
            row[x * 3] = static_cast<std::uint8_t>(qBlue(c));
            row[x * 3 + 1] = static_cast<std::uint8_t>(qGreen(c));
            row[x * 3 + 2] = static_cast<std::uint8_t>(qRed(c));
        }
    }
    return out;
}
