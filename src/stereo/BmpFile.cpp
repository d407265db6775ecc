#include "stereo/BmpFile.h"

#include "stereo/StereoBitmap.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr quint32 kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                  kBiAlphaBitfields = 6;

// Random access to the file's bytes, from memory or from a descriptor.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual qint64 Size() const = 0;
    // Reads up to count bytes at offset; returns how many were read, -1 on a
    // read error.
    virtual qint64 ReadAt(qint64 offset, void* buffer, qint64 count) const = 0;
};

class TMemorySource : public TByteSource {
public:
    explicit TMemorySource(const QByteArray& data) : FData(data) {}
    qint64 Size() const override { return FData.size(); }
    qint64 ReadAt(qint64 offset, void* buffer, qint64 count) const override
    {
        if (offset < 0 || offset >= FData.size())
            return 0;
        const qint64 n = std::min(count, FData.size() - offset);
        std::memcpy(buffer, FData.constData() + offset, size_t(n));
        return n;
    }

private:
    const QByteArray& FData;
};

class TFdSource : public TByteSource {
public:
    explicit TFdSource(int fd) : FFd(fd)
    {
        struct stat st;
        FSize = fstat(fd, &st) == 0 ? qint64(st.st_size) : -1;
    }
    qint64 Size() const override { return FSize; }
    qint64 ReadAt(qint64 offset, void* buffer, qint64 count) const override
    {
        qint64 done = 0;
        while (done < count) {
            const ssize_t n = pread(FFd, static_cast<char*>(buffer) + done, size_t(count - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += n;
        }
        return done;
    }

private:
    int FFd;
    qint64 FSize;
};

quint16 Le16(const uchar* p) { return quint16(p[0] | (p[1] << 8)); }
quint32 Le32(const uchar* p) { return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24); }
void Put16(uchar* p, quint32 v) { p[0] = uchar(v), p[1] = uchar(v >> 8); }
void Put32(uchar* p, quint32 v) { p[0] = uchar(v), p[1] = uchar(v >> 8), p[2] = uchar(v >> 16), p[3] = uchar(v >> 24); }

// One colour channel described by a bit mask, scaled to eight bits.
struct TChannelMask {
    quint32 mask = 0;
    int shift = 0;
    quint32 max = 0;

    explicit TChannelMask(quint32 m = 0) : mask(m)
    {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    quint32 Get(quint32 v) const
    {
        if (max == 0)
            return 0;
        const quint32 value = (v & mask) >> shift;
        if (max == 255)
            return value;
        return quint32((quint64(value) * 255 + max / 2) / max);
    }
};

struct TBmpHeader {
    qint64 width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = 0;
    qint64 dataOffset = 0;
    TChannelMask red, green, blue;
    std::vector<QRgb> palette;
};

TPictureResult Failure(const QString& reason)
{
    TPictureResult r;
    r.Error = reason;
    return r;
}

QString Truncated() { return QStringLiteral("die BMP-Datei ist unvollständig"); }

// Fills header from the file; returns an empty string or the reason.
QString ReadHeader(const TByteSource& src, TBmpHeader& h)
{
    uchar fh[kFileHeaderSize + 124];
    const qint64 got = src.ReadAt(0, fh, sizeof(fh));
    if (got < 0)
        return QStringLiteral("die Datei kann nicht gelesen werden");
    if (got < kFileHeaderSize + 4 || fh[0] != 'B' || fh[1] != 'M')
        return QStringLiteral("keine BMP-Datei");
    const quint32 infoSize = Le32(fh + kFileHeaderSize);
    static const quint32 kKnown[] = {12, 40, 52, 56, 64, 108, 124};
    if (std::find(std::begin(kKnown), std::end(kKnown), infoSize) == std::end(kKnown))
        return QStringLiteral("unbekannter BMP-Kopf (%1 Bytes)").arg(infoSize);
    if (got < kFileHeaderSize + qint64(infoSize))
        return Truncated();
    const uchar* ih = fh + kFileHeaderSize;
    h.dataOffset = Le32(fh + 10);
    qint64 paletteOffset = kFileHeaderSize + infoSize;
    int entrySize = 4;
    quint32 colorsUsed = 0;
    if (infoSize == 12) {
        h.width = Le16(ih + 4);
        h.height = Le16(ih + 6);
        h.bitCount = Le16(ih + 10);
        entrySize = 3;
    } else {
        h.width = qint32(Le32(ih + 4));
        h.height = qint32(Le32(ih + 8));
        h.bitCount = Le16(ih + 14);
        h.compression = Le32(ih + 16);
        colorsUsed = Le32(ih + 32);
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (h.width <= 0 || h.height <= 0)
        return QStringLiteral("ungültige Bildgröße %1 × %2").arg(h.width).arg(h.height);
    if (!PictureSizeAllowed(h.width, h.height))
        return PictureSizeRefusal(h.width, h.height);
    if (h.compression == kBiRle8 || h.compression == kBiRle4)
        return QStringLiteral("lauflängenkomprimierte BMP-Dateien werden nicht unterstützt");
    if (h.compression == kBiJpeg || h.compression == kBiPng)
        return QStringLiteral("BMP-Dateien mit eingebettetem JPEG oder PNG werden nicht unterstützt");
    const bool masked = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (h.compression != kBiRgb && !masked)
        return QStringLiteral("unbekannte BMP-Kompression %1").arg(h.compression);
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        if (masked)
            return QStringLiteral("ungültige BMP-Kompression für %1 Bit").arg(h.bitCount);
        break;
    case 16:
    case 32:
        break;
    default:
        return QStringLiteral("%1 Bit je Pixel werden nicht unterstützt").arg(h.bitCount);
    }
    if (masked) {
        uchar masks[12];
        if (infoSize >= 52) {
            std::memcpy(masks, ih + 40, 12);
        } else {
            // The masks follow a 40-byte header (a fourth one for alpha).
            if (src.ReadAt(paletteOffset, masks, 12) != 12)
                return Truncated();
            paletteOffset += h.compression == kBiAlphaBitfields ? 16 : 12;
        }
        h.red = TChannelMask(Le32(masks));
        h.green = TChannelMask(Le32(masks + 4));
        h.blue = TChannelMask(Le32(masks + 8));
    } else if (h.bitCount == 16) {
        h.red = TChannelMask(0x7C00);
        h.green = TChannelMask(0x03E0);
        h.blue = TChannelMask(0x001F);
    }
    if (h.bitCount <= 8) {
        const quint32 full = 1u << h.bitCount;
        const quint32 count = (colorsUsed == 0 || colorsUsed > full) ? full : colorsUsed;
        std::vector<uchar> raw(size_t(count) * size_t(entrySize));
        const qint64 n = src.ReadAt(paletteOffset, raw.data(), qint64(raw.size()));
        if (n < 0)
            return QStringLiteral("die Datei kann nicht gelesen werden");
        // Some writers store fewer entries than they announce; what is
        // missing stays black.
        const quint32 present = quint32(n / entrySize);
        h.palette.assign(full, qRgb(0, 0, 0));
        for (quint32 i = 0; i < std::min(count, present); ++i) {
            const uchar* e = raw.data() + size_t(i) * size_t(entrySize);
            h.palette[i] = qRgb(e[2], e[1], e[0]);
        }
    }
    if (h.dataOffset < kFileHeaderSize + qint64(infoSize))
        return QStringLiteral("ungültiger Datenbeginn in der BMP-Datei");
    return QString();
}

void ConvertRow(const TBmpHeader& h, const uchar* in, QRgb* out, int width)
{
    switch (h.bitCount) {
    case 1:
        for (int x = 0; x < width; ++x)
            out[x] = h.palette[(in[x >> 3] >> (7 - (x & 7))) & 1];
        break;
    case 4:
        for (int x = 0; x < width; ++x)
            out[x] = h.palette[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
        break;
    case 8:
        for (int x = 0; x < width; ++x)
            out[x] = h.palette[in[x]];
        break;
    case 16:
        for (int x = 0; x < width; ++x) {
            const quint32 v = Le16(in + 2 * x);
            out[x] = qRgb(int(h.red.Get(v)), int(h.green.Get(v)), int(h.blue.Get(v)));
        }
        break;
    case 24:
        for (int x = 0; x < width; ++x, in += 3)
            out[x] = 0xFF000000u | (quint32(in[2]) << 16) | (quint32(in[1]) << 8) | in[0];
        break;
    case 32:
        if (h.compression == kBiRgb) {
            for (int x = 0; x < width; ++x)
                out[x] = 0xFF000000u | (Le32(in + 4 * x) & 0x00FFFFFFu);
        } else {
            for (int x = 0; x < width; ++x) {
                const quint32 v = Le32(in + 4 * x);
                out[x] = qRgb(int(h.red.Get(v)), int(h.green.Get(v)), int(h.blue.Get(v)));
            }
        }
        break;
    }
}

TPictureResult DecodeBmp(const TByteSource& src, const TProgressHandler& progress, const TPictureReduction& reduction)
{
    TBmpHeader h;
    const QString reason = ReadHeader(src, h);
    if (!reason.isEmpty())
        return Failure(reason);
    const qint64 stride = ((h.width * h.bitCount + 31) / 32) * 4;
    if (src.Size() >= 0 && h.dataOffset + stride * h.height > src.Size())
        return Failure(Truncated());
    // Every step-th row and column of the picture, from the first.
    int step = reduction ? reduction(QSize(int(h.width), int(h.height))) : 1;
    step = step >= 8 ? 8 : step >= 4 ? 4 : step >= 2 ? 2 : 1;
    const QSize size = ReducedPictureSize(QSize(int(h.width), int(h.height)), step);
    TPictureResult result;
    try {
        result.Image = NewRgb32(size.width(), size.height());
    } catch (const std::bad_alloc&) {
        return Failure(QStringLiteral("nicht genug Arbeitsspeicher"));
    }
    ReportProgress(&progress, TProgressStage::Starting, 0);
    int lastPercent = -1;
    auto report = [&](qint64 done, qint64 total) {
        const int percent = int(done * 100 / total);
        if (percent != lastPercent) {
            lastPercent = percent;
            ReportProgress(&progress, TProgressStage::Running, percent);
        }
    };
    if (step == 1) {
        // Rows are read in file order, in blocks of about a megabyte.
        const int rowsPerBlock = int(std::clamp<qint64>((1 << 20) / stride, 1, h.height));
        std::vector<uchar> block(size_t(stride) * size_t(rowsPerBlock));
        for (qint64 first = 0; first < h.height; first += rowsPerBlock) {
            const qint64 count = std::min<qint64>(rowsPerBlock, h.height - first);
            if (src.ReadAt(h.dataOffset + first * stride, block.data(), count * stride) != count * stride) {
                ReportProgress(&progress, TProgressStage::Ending, 100);
                return Failure(Truncated());
            }
            for (qint64 i = 0; i < count; ++i) {
                const qint64 fileRow = first + i;
                const int y = int(h.topDown ? fileRow : h.height - 1 - fileRow);
                ConvertRow(h, block.data() + i * stride, reinterpret_cast<QRgb*>(result.Image.scanLine(y)),
                           int(h.width));
            }
            report(first + count, h.height);
        }
    } else {
        // Only the rows that are kept are read.
        std::vector<uchar> row(static_cast<size_t>(stride));
        std::vector<QRgb> wide(size_t(h.width));
        for (int y = 0; y < size.height(); ++y) {
            const qint64 pictureRow = qint64(y) * step;
            const qint64 fileRow = h.topDown ? pictureRow : h.height - 1 - pictureRow;
            if (src.ReadAt(h.dataOffset + fileRow * stride, row.data(), stride) != stride) {
                ReportProgress(&progress, TProgressStage::Ending, 100);
                return Failure(Truncated());
            }
            ConvertRow(h, row.data(), wide.data(), int(h.width));
            QRgb* out = reinterpret_cast<QRgb*>(result.Image.scanLine(y));
            for (int x = 0; x < size.width(); ++x)
                out[x] = wide[size_t(x) * size_t(step)];
            report(y + 1, size.height());
        }
    }
    ReportProgress(&progress, TProgressStage::Ending, 100);
    result.Ok = true;
    return result;
}

qint64 Stride24(int width) { return ((qint64(width) * 24 + 31) / 32) * 4; }

} // namespace

TPictureResult DecodeBmpData(const QByteArray& data, const TProgressHandler& progress)
{
    return DecodeBmp(TMemorySource(data), progress, {});
}

TPictureResult DecodeBmpFd(int fd, const TProgressHandler& progress, const TPictureReduction& reduction)
{
    return DecodeBmp(TFdSource(fd), progress, reduction);
}

QSize ReadBmpSizeFd(int fd)
{
    TBmpHeader h;
    if (!ReadHeader(TFdSource(fd), h).isEmpty())
        return QSize();
    return QSize(int(h.width), int(h.height));
}

qint64 BmpFileSize(const QImage& image)
{
    if (image.isNull())
        return 0;
    return BmpFileSize(image.width(), image.height());
}

qint64 BmpFileSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return kFileHeaderSize + kInfoHeaderSize + Stride24(width) * qint64(height);
}

bool WriteBmp(const QImage& source, QIODevice& device)
{
    if (source.isNull())
        return false;
    QImage image = source;
    SwitchToRgb32(image);
    const int w = image.width(), h = image.height();
    const qint64 stride = Stride24(w);
    const qint64 fileSize = BmpFileSize(image);
    if (fileSize > 0xFFFFFFFFll)
        return false; // the size field has 32 bits
    uchar head[kFileHeaderSize + kInfoHeaderSize] = {};
    head[0] = 'B';
    head[1] = 'M';
    Put32(head + 2, quint32(fileSize));
    Put32(head + 10, kFileHeaderSize + kInfoHeaderSize);
    uchar* ih = head + kFileHeaderSize;
    Put32(ih, kInfoHeaderSize);
    Put32(ih + 4, quint32(w));
    Put32(ih + 8, quint32(h)); // positive: bottom-up
    Put16(ih + 12, 1);
    Put16(ih + 14, 24);
    Put32(ih + 16, kBiRgb);
    Put32(ih + 20, quint32(stride * h));
    if (device.write(reinterpret_cast<const char*>(head), sizeof(head)) != qint64(sizeof(head)))
        return false;
    const int rowsPerBlock = int(std::clamp<qint64>((1 << 20) / stride, 1, h));
    std::vector<uchar> block(size_t(stride) * size_t(rowsPerBlock), 0);
    for (int first = 0; first < h; first += rowsPerBlock) {
        const int count = std::min(rowsPerBlock, h - first);
        for (int i = 0; i < count; ++i) {
            const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(h - 1 - (first + i)));
            uchar* out = block.data() + size_t(i) * size_t(stride);
            for (int x = 0; x < w; ++x, out += 3) {
                out[0] = uchar(in[x]);
                out[1] = uchar(in[x] >> 8);
                out[2] = uchar(in[x] >> 16);
            }
        }
        const qint64 bytes = qint64(count) * stride;
        if (device.write(reinterpret_cast<const char*>(block.data()), bytes) != bytes)
            return false;
    }
    return true;
}

QByteArray EncodeBmp(const QImage& image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!WriteBmp(image, buffer))
        return QByteArray();
    return data;
}

bool SaveBmpFile(const QImage& image, const QString& fileName, QString* error)
{
    if (image.isNull()) {
        if (error)
            *error = QStringLiteral("kein Bild vorhanden");
        return false;
    }
    return WriteFileReplacing(fileName, [&](QIODevice& device) { return WriteBmp(image, device); }, error);
}
