#include "stereo/BmpFile.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <tuple>
#include <vector>

namespace {

void Add16(QByteArray& b, int v) { b.append(char(v)).append(char(v >> 8)); }
void Add32(QByteArray& b, qint64 v) { Add16(b, int(v & 0xFFFF)), Add16(b, int((v >> 16) & 0xFFFF)); }

// A bitmap file written byte by byte: 14-byte file header, 40-byte info
// header (or the 12-byte core header), optional masks, palette, rows.
// A negative height stores the rows top-down.
QByteArray MakeBmp(int width, int height, int bits, const QByteArray& rows, const std::vector<QRgb>& palette = {},
                   int compression = 0, const std::vector<quint32>& masks = {}, bool core = false)
{
    QByteArray info;
    if (core) {
        Add32(info, 12);
        Add16(info, width), Add16(info, height), Add16(info, 1), Add16(info, bits);
    } else {
        Add32(info, 40);
        Add32(info, width), Add32(info, height);
        Add16(info, 1), Add16(info, bits);
        Add32(info, compression), Add32(info, rows.size());
        Add32(info, 0), Add32(info, 0), Add32(info, qint64(palette.size())), Add32(info, 0);
    }
    for (quint32 m : masks)
        Add32(info, m);
    for (QRgb c : palette) {
        info.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c)));
        if (!core)
            info.append('\0');
    }
    QByteArray file("BM");
    Add32(file, 14 + info.size() + rows.size());
    Add32(file, 0);
    Add32(file, 14 + info.size());
    return file + info + rows;
}

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

} // namespace

TEST(BmpRead, EveryStoredPixelFormatGivesItsColours)
{
    const QRgb K = qRgb(0, 0, 0), W = qRgb(255, 255, 255), A = qRgb(1, 2, 3), B = qRgb(4, 5, 6);
    std::vector<QRgb> palette16(16, K);
    palette16[2] = qRgb(10, 20, 30);
    palette16[15] = qRgb(200, 100, 50);
    const int v565 = (31 << 11) | (32 << 5), v555 = (31 << 10) | 31;
    const struct {
        const char* what;
        QByteArray file;
        std::vector<std::tuple<int, int, QRgb>> pixels;
    } cases[] = {
        // 3 x 2, bottom row 101 first, then top row 011; rows pad to 4 bytes.
        {"1 bit, bottom-up", MakeBmp(3, 2, 1, Bytes({0b10100000, 0, 0, 0, 0b01100000, 0, 0, 0}), {K, W}),
         {{0, 0, K}, {1, 0, W}, {0, 1, W}, {1, 1, K}, {2, 1, W}}},
        {"4 bit, high nibble first", MakeBmp(3, 1, 4, Bytes({0x2F, 0x20, 0, 0}), palette16),
         {{0, 0, qRgb(10, 20, 30)}, {1, 0, qRgb(200, 100, 50)}, {2, 0, qRgb(10, 20, 30)}}},
        // Index 5 lies beyond the two palette entries and reads as black.
        {"8 bit, top-down, short palette", MakeBmp(2, -2, 8, Bytes({0, 1, 0, 0, 1, 5, 0, 0}), {A, B}),
         {{0, 0, A}, {1, 0, B}, {0, 1, B}, {1, 1, K}}},
        {"core header, 3-byte palette", MakeBmp(1, 1, 8, Bytes({1, 0, 0, 0}), {K, qRgb(7, 8, 9)}, 0, {}, true),
         {{0, 0, qRgb(7, 8, 9)}}},
        // Rows of 6 bytes padded to 8; pixels stored blue, green, red.
        {"24 bit", MakeBmp(2, 2, 24, Bytes({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0})),
         {{0, 1, qRgb(3, 2, 1)}, {1, 1, qRgb(6, 5, 4)}, {0, 0, qRgb(9, 8, 7)}, {1, 0, qRgb(12, 11, 10)}}},
        {"32 bit, fourth byte ignored", MakeBmp(1, 1, 32, Bytes({30, 20, 10, 0})), {{0, 0, qRgb(10, 20, 30)}}},
        // Red 0b11111 (full), green 0b100000 (32 of 63 -> 130), blue 0.
        {"16 bit masks 5-6-5", MakeBmp(1, 1, 16, Bytes({v565 & 0xFF, v565 >> 8, 0, 0}), {}, 3, {0xF800, 0x07E0, 0x1F}),
         {{0, 0, qRgb(255, 130, 0)}}},
        {"32 bit masks, red low", MakeBmp(1, 1, 32, Bytes({10, 20, 30, 99}), {}, 3, {0xFF, 0xFF00, 0xFF0000}),
         {{0, 0, qRgb(10, 20, 30)}}},
        {"plain 16 bit is 5-5-5", MakeBmp(1, 1, 16, Bytes({v555 & 0xFF, v555 >> 8, 0, 0})),
         {{0, 0, qRgb(255, 0, 255)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TPictureResult r = DecodeBmpData(c.file);
        ASSERT_TRUE(r.Ok) << r.Error.toStdString();
        EXPECT_EQ(r.Image.format(), QImage::Format_RGB32);
        EXPECT_EQ(r.Image.constBits()[3], 0xFF); // as Format_RGB32 demands
        for (auto [x, y, colour] : c.pixels)
            EXPECT_EQ(r.Image.pixel(x, y), colour) << x << "," << y;
    }
}

TEST(BmpRead, BrokenForeignAndOversizedFilesAreRefusedWithReason)
{
    const QByteArray good = MakeBmp(2, 2, 24, QByteArray(16, '\0'));
    ASSERT_TRUE(DecodeBmpData(good).Ok);
    const struct {
        QByteArray file;
        const char* reason;
    } cases[] = {
        {good.left(good.size() - 1), "unvollständig"},
        {good.left(20), "unvollständig"},
        {"not a bitmap at all", "keine BMP-Datei"},
        {MakeBmp(2, 2, 8, QByteArray(8, '\0'), {qRgb(0, 0, 0)}, 1), "lauflängenkomprimiert"},
        {MakeBmp(2, 2, 7, QByteArray(16, '\0')), "7 Bit"},
        {MakeBmp(0, 2, 24, QByteArray()), "ungültige Bildgröße"},
        // Claims 40000 x 40000 but carries a few bytes: refused before allocating.
        {MakeBmp(40000, 40000, 24, QByteArray(16, '\0')), "zu groß"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const TPictureResult r = DecodeBmpData(c.file);
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Error.contains(QString::fromUtf8(c.reason))) << r.Error.toStdString();
    }
}

TEST(BmpWrite, TwentyFourBitLayoutByteForByteAndRefusalsReported)
{
    QImage image(3, 2, QImage::Format_RGB32);
    for (int i = 0; i < 6; ++i)
        image.setPixel(i % 3, i / 3, qRgb(3 * i + 1, 3 * i + 2, 3 * i + 3));
    const QByteArray file = EncodeBmp(image);
    // 9 bytes of pixels pad to 12 per row.
    ASSERT_EQ(file.size(), 54 + 2 * 12);
    EXPECT_EQ(BmpFileSize(image), file.size());
    EXPECT_EQ(file.left(2), QByteArray("BM"));
    EXPECT_EQ(uchar(file[2]), 78);
    EXPECT_EQ(uchar(file[10]), 54);
    EXPECT_EQ(uchar(file[28]), 24);
    // Bottom row first, blue-green-red.
    EXPECT_EQ(file.mid(54, 12), Bytes({12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
    EXPECT_EQ(file.mid(66, 12), Bytes({3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));
    const TPictureResult back = DecodeBmpData(file);
    ASSERT_TRUE(back.Ok);
    EXPECT_EQ(back.Image, image);
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(WriteBmp(image, readOnly));
    EXPECT_TRUE(EncodeBmp(QImage()).isEmpty());
}
