#include "shell/app_icon.h"

#include <QFile>
#include <QImage>

QIcon vorkel_icon() {
    QIcon icon = QIcon::fromTheme(QStringLiteral("vorkel"));
    if (!icon.isNull())
        return icon;
    // Rendered from the same drawing at build time (see CMakeLists.txt).
    for (int side : {16, 22, 24, 32, 48}) {
        const QString file = QStringLiteral(":/icons/%1x%1/vorkel.png").arg(side);
        if (QFile::exists(file))
            icon.addFile(file, QSize(side, side));
    }
    return icon;
}

std::vector<std::uint32_t> icon_argb_images(const QIcon &icon, const std::vector<int> &sides) {
    std::vector<std::uint32_t> data;
    if (icon.isNull())
        return data;
    for (int side : sides) {
        const QImage image = icon.pixmap(QSize(side, side))
                                 .toImage()
                                 .scaled(side, side)
                                 .convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        data.push_back(static_cast<std::uint32_t>(side));
        data.push_back(static_cast<std::uint32_t>(side));
        for (int y = 0; y < side; ++y) {
            const auto *row = reinterpret_cast<const std::uint32_t *>(image.constScanLine(y));
            data.insert(data.end(), row, row + side);
        }
    }
    return data;
}
