#include "stereo/StereoBitmap.h"

#include "stereo/PictureBuffers.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <limits>
#include <cstring>
#include <new>
#include <thread>
#include <vector>


namespace {

// System colour indices as stored in colour values with the high byte 0xFF.
QPalette::ColorRole SystemColorRole(int index, bool* known)
{
    *known = true;
    switch (index) {
    case 5: // window background
        return QPalette::Base;
    case 6: // window frame
    case 16: // button shadow
        return QPalette::Dark;
    case 8: // window text
        return QPalette::Text;
    case 13:
        return QPalette::Highlight;
    case 14:
        return QPalette::HighlightedText;
    case 15: // button face, the usual dialog background
    case 1: // desktop
    case 4: // menu
        return QPalette::Window;
    case 18:
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 23:
        return QPalette::ToolTipText;
    case 24:
        return QPalette::ToolTipBase;
    default:
        *known = false;
        return QPalette::Window;
    }
}

} // namespace

QRgb ColorToRgb32(TColor color)
{
    if ((color & 0xFF000000u) == 0xFF000000u) {
        bool known = false;
        const QPalette::ColorRole role = SystemColorRole(int(color & 0xFF), &known);
        if (known && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return QGuiApplication::palette().color(role).rgb() | 0xFF000000u;
        return qRgb(0x80, 0x80, 0x80);
    }
    return qRgb(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor Rgb32ToColor(QRgb pixel)
{
    return TColor(qRed(pixel)) | (TColor(qGreen(pixel)) << 8) | (TColor(qBlue(pixel)) << 16);
}

void SwitchToRgb32(QImage& image)
{
    if (image.isNull() || image.format() == QImage::Format_RGB32)
        return;
    // Premultiplied pictures would darken translucent pixels when the alpha
    // is dropped; going through the straight format keeps the channels.
    if (image.hasAlphaChannel() && image.format() != QImage::Format_ARGB32)
        image.convertTo(QImage::Format_ARGB32);
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
}

QImage NewRgb32(int width, int height)
{
    if (width <= 0 || height <= 0)
        return QImage();
    const size_t bytes = size_t(width) * size_t(height) * sizeof(QRgb);
    if (bytes >= kPooledPictureBytes && width <= (std::numeric_limits<int>::max() / 4)) {
        // Large pictures live in pooled memory: the memory of the previous
        // picture of about this size is used again instead of fresh pages.
        void* data = TakePictureBuffer(bytes);
        if (!data)
            throw std::bad_alloc();
        QImage image(static_cast<uchar*>(data), width, height, qsizetype(width) * 4, QImage::Format_RGB32,
                     ReleasePictureBuffer, data);
        if (image.isNull()) {
            ReleasePictureBuffer(data);
            throw std::bad_alloc();
        }
        return image;
    }
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    return image;
}

void FillRectRgb32(QImage& image, int x, int y, int width, int height, QRgb pixel)
{
    const int x0 = std::max(x, 0);
    const int y0 = std::max(y, 0);
    const int x1 = std::min<qint64>(qint64(x) + width, image.width());
    const int y1 = std::min<qint64>(qint64(y) + height, image.height());
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int row = y0; row < y1; ++row) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        std::fill(line + x0, line + x1, pixel);
    }
}

void BlitRgb32(QImage& target, const QImage& source, int x, int y)
{
    const int sx0 = std::max(0, -x);
    const int sy0 = std::max(0, -y);
    const int sx1 = std::min<qint64>(source.width(), qint64(target.width()) - x);
    const int sy1 = std::min<qint64>(source.height(), qint64(target.height()) - y);
    if (sx0 >= sx1 || sy0 >= sy1)
        return;
    const size_t bytes = size_t(sx1 - sx0) * sizeof(QRgb);
    for (int row = sy0; row < sy1; ++row) {
        const QRgb* from = reinterpret_cast<const QRgb*>(source.constScanLine(row)) + sx0;
        QRgb* to = reinterpret_cast<QRgb*>(target.scanLine(row + y)) + sx0 + x;
        std::memcpy(to, from, bytes);
    }
}

void SetBitmapSize(TBitmap& bitmap, int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    SwitchToRgb32(bitmap.Image);
    if (bitmap.Image.width() == width && bitmap.Image.height() == height)
        return;
    QImage resized = NewRgb32(width, height);
    if (resized.isNull()) {
        bitmap.Image = QImage();
        return;
    }
    const int keepW = std::min(width, bitmap.Image.width());
    const int keepH = std::min(height, bitmap.Image.height());
    const QRgb brush = ColorToRgb32(bitmap.Brush);
    for (int row = 0; row < keepH; ++row)
        std::memcpy(resized.scanLine(row), bitmap.Image.constScanLine(row), size_t(keepW) * sizeof(QRgb));
    FillRectRgb32(resized, keepW, 0, width - keepW, keepH, brush);
    FillRectRgb32(resized, 0, keepH, width, height - keepH, brush);
    bitmap.Image = resized;
}

void ForRowBands(int rows, qint64 pixels, const std::function<void(int, int)>& work)
{
    if (rows <= 0)
        return;
    // Below about a megapixel the thread start costs more than it saves.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    int bands = int(std::min<qint64>({qint64(cores), 4, pixels / (1 << 20), qint64(rows)}));
    if (bands <= 1) {
        work(0, rows);
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(size_t(bands - 1));
    const int step = (rows + bands - 1) / bands;
    for (int b = 1; b < bands; ++b) {
        const int from = b * step;
        const int to = std::min(rows, from + step);
        if (from < to)
            helpers.emplace_back(work, from, to);
    }
    work(0, std::min(rows, step));
    for (std::thread& helper : helpers)
        helper.join();
}
