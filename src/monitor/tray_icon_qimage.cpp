#include "monitor/tray_icon_qimage.h"

QImage tray_icon_qimage(const TRAY_BITMAP &image, const TRAY_BITMAP &mask) {
    QImage out(tray_side, tray_side, QImage::Format_ARGB32);
    for (int y = 0; y < tray_side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < tray_side; ++x) {
            const std::size_t at = tray_pixel_offset(x, y);
            const bool clear =
                mask.bits[at] == 255 && mask.bits[at + 1] == 255 && mask.bits[at + 2] == 255;
            line[x] = qRgba(image.bits[at + 2], image.bits[at + 1], image.bits[at], clear ? 0 : 255);
        }
    }
    return out;
}
