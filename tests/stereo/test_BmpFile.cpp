#include "stereo/BmpFile.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include <vector>

namespace {

void Add16(QByteArray& b, int v) { b.append(char(v)).append(char(v >> 8)); }
void Add32(QByteArray& b, qint64 v) { Add16(b, int(v & 0xFFFF)), Add16(b, int((v >> 16) & 0xFFFF)); }

// A bitmap file written byte by byte: 14-byte file header, 40-byte info
// header (or the 12-byte core header), optional masks, palette, rows.
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

QRgb Px(const TPictureResult& r, int x, int y) { return r.Image.pixel(x, y); }

} // namespace

TEST(BmpRead, OneBitBottomUpWithPalette)
{
    // 3 x 2; bottom row first: 101, then top row 011. Rows pad to 4 bytes.
    const QByteArray rows = Bytes({0b10100000, 0, 0, 0, 0b01100000, 0, 0, 0});
    const TPictureResult r = DecodeBmpData(MakeBmp(3, 2, 1, rows, {qRgb(0, 0, 0), qRgb(255, 255, 255)}));
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    EXPECT_EQ(r.Image.format(), QImage::Format_RGB32);
    EXPECT_EQ(Px(r, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(Px(r, 1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Px(r, 0, 1), qRgb(255, 255, 255));
    EXPECT_EQ(Px(r, 1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(Px(r, 2, 1), qRgb(255, 255, 255));
}

TEST(BmpRead, FourBitHighNibbleFirst)
{
    std::vector<QRgb> palette(16, qRgb(0, 0, 0));
    palette[2] = qRgb(10, 20, 30);
    palette[15] = qRgb(200, 100, 50);
    const TPictureResult r = DecodeBmpData(MakeBmp(3, 1, 4, Bytes({0x2F, 0x20, 0, 0}), palette));
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(Px(r, 0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(Px(r, 1, 0), qRgb(200, 100, 50));
    EXPECT_EQ(Px(r, 2, 0), qRgb(10, 20, 30));
}

TEST(BmpRead, EightBitTopDownAndShortPalette)
{
    // Negative height: the first stored row is the top one. Index 5 lies
    // beyond the two palette entries and reads as black.
    QByteArray file = MakeBmp(2, 2, 8, Bytes({0, 1, 0, 0, 1, 5, 0, 0}), {qRgb(1, 2, 3), qRgb(4, 5, 6)});
    file[22] = char(0xFE), file[23] = char(0xFF), file[24] = char(0xFF), file[25] = char(0xFF); // height -2
    const TPictureResult r = DecodeBmpData(file);
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    EXPECT_EQ(Px(r, 0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(Px(r, 1, 0), qRgb(4, 5, 6));
    EXPECT_EQ(Px(r, 0, 1), qRgb(4, 5, 6));
    EXPECT_EQ(Px(r, 1, 1), qRgb(0, 0, 0));
}

TEST(BmpRead, CoreHeaderWithThreeBytePalette)
{
    const TPictureResult r = DecodeBmpData(MakeBmp(1, 1, 8, Bytes({1, 0, 0, 0}), {qRgb(0, 0, 0), qRgb(7, 8, 9)}, 0, {}, true));
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    EXPECT_EQ(Px(r, 0, 0), qRgb(7, 8, 9));
}

TEST(BmpRead, TwentyFourBitWithRowPadding)
{
    // 2 x 2, rows of 6 bytes padded to 8; pixels stored blue, green, red.
    const QByteArray rows = Bytes({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});
    const TPictureResult r = DecodeBmpData(MakeBmp(2, 2, 24, rows));
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(Px(r, 0, 1), qRgb(3, 2, 1));
    EXPECT_EQ(Px(r, 1, 1), qRgb(6, 5, 4));
    EXPECT_EQ(Px(r, 0, 0), qRgb(9, 8, 7));
    EXPECT_EQ(Px(r, 1, 0), qRgb(12, 11, 10));
}

TEST(BmpRead, ThirtyTwoBitIgnoresFourthByte)
{
    const TPictureResult r = DecodeBmpData(MakeBmp(1, 1, 32, Bytes({30, 20, 10, 0})));
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.Image.constBits()[3], 0xFF);
    EXPECT_EQ(Px(r, 0, 0), qRgb(10, 20, 30));
}

TEST(BmpRead, BitfieldsSixteenAndThirtyTwo)
{
    // 5-6-5: red 0b11111 (full), green 0b100000 (32 of 63 -> 130), blue 0.
    const int v = (31 << 11) | (32 << 5);
    const TPictureResult r16 = DecodeBmpData(MakeBmp(1, 1, 16, Bytes({v & 0xFF, v >> 8, 0, 0}), {}, 3, {0xF800, 0x07E0, 0x001F}));
    ASSERT_TRUE(r16.Ok) << r16.Error.toStdString();
    EXPECT_EQ(Px(r16, 0, 0), qRgb(255, 130, 0));
    // 32 bits with red in the low byte.
    const TPictureResult r32 = DecodeBmpData(MakeBmp(1, 1, 32, Bytes({10, 20, 30, 99}), {}, 3, {0xFF, 0xFF00, 0xFF0000}));
    ASSERT_TRUE(r32.Ok);
    EXPECT_EQ(Px(r32, 0, 0), qRgb(10, 20, 30));
    // Plain 16 bits are 5-5-5.
    const int w = (31 << 10) | 31;
    const TPictureResult r555 = DecodeBmpData(MakeBmp(1, 1, 16, Bytes({w & 0xFF, w >> 8, 0, 0})));
    ASSERT_TRUE(r555.Ok);
    EXPECT_EQ(Px(r555, 0, 0), qRgb(255, 0, 255));
}

TEST(BmpRead, BrokenFilesAreRefused)
{
    const QByteArray good = MakeBmp(2, 2, 24, QByteArray(16, '\0'));
    EXPECT_TRUE(DecodeBmpData(good).Ok);
    const TPictureResult truncated = DecodeBmpData(good.left(good.size() - 1));
    EXPECT_FALSE(truncated.Ok);
    EXPECT_TRUE(truncated.Error.contains(QStringLiteral("unvollständig")));
    EXPECT_FALSE(DecodeBmpData(good.left(20)).Ok);
    EXPECT_FALSE(DecodeBmpData(QByteArray("not a bitmap at all")).Ok);
    EXPECT_FALSE(DecodeBmpData(MakeBmp(2, 2, 8, QByteArray(8, '\0'), {qRgb(0, 0, 0)}, 1)).Ok); // RLE8
    EXPECT_FALSE(DecodeBmpData(MakeBmp(2, 2, 7, QByteArray(16, '\0'))).Ok);
    EXPECT_FALSE(DecodeBmpData(MakeBmp(0, 2, 24, QByteArray())).Ok);
}

TEST(BmpRead, OversizedHeaderIsRefusedBeforeAllocation)
{
    // Claims 40000 x 40000 at 24 bits but carries only a few bytes.
    const TPictureResult r = DecodeBmpData(MakeBmp(40000, 40000, 24, QByteArray(16, '\0')));
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Error.contains(QStringLiteral("zu groß"))) << r.Error.toStdString();
}

TEST(BmpWrite, TwentyFourBitLayoutByteForByte)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(1, 0, qRgb(4, 5, 6));
    image.setPixel(2, 0, qRgb(7, 8, 9));
    image.setPixel(0, 1, qRgb(10, 11, 12));
    image.setPixel(1, 1, qRgb(13, 14, 15));
    image.setPixel(2, 1, qRgb(16, 17, 18));
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
}

TEST(BmpWrite, FullDeviceIsReported)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(WriteBmp(image, readOnly));
    EXPECT_TRUE(EncodeBmp(QImage()).isEmpty());
}
