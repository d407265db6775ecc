#include "stereo/JpegFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <random>
#include <vector>

namespace {

QImage SmoothPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (w - 1), y * 255 / (h - 1), 128));
    return image;
}

int MaxChannelDifference(const QImage& a, const QImage& b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

// The start-of-frame marker found by walking the marker segments, without
// help from the JPEG library: 0xC0 baseline, 0xC2 progressive, 0 none.
int FrameMarker(const QByteArray& data)
{
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    qsizetype pos = 2;
    while (pos + 4 <= data.size() && d[pos] == 0xFF) {
        const int marker = d[pos + 1];
        if (marker >= 0xC0 && marker <= 0xC3)
            return marker;
        pos += 2 + ((d[pos + 2] << 8) | d[pos + 3]);
    }
    return 0;
}

QByteArray Encode(const QImage& image, int quality, bool progressive = false)
{
    QByteArray data;
    QString error;
    EXPECT_TRUE(EncodeJpeg(image, TJpegOptions{quality, progressive}, &data, &error)) << error.toStdString();
    return data;
}

// Rewrites the frame size fields of a baseline file.
QByteArray WithFrameSize(QByteArray data, int width, int height)
{
    auto* d = reinterpret_cast<unsigned char*>(data.data());
    qsizetype pos = 2;
    while (pos + 9 <= data.size() && d[pos] == 0xFF) {
        if (d[pos + 1] == 0xC0) {
            d[pos + 5] = uchar(height >> 8), d[pos + 6] = uchar(height);
            d[pos + 7] = uchar(width >> 8), d[pos + 8] = uchar(width);
            return data;
        }
        pos += 2 + ((d[pos + 2] << 8) | d[pos + 3]);
    }
    ADD_FAILURE() << "no frame header";
    return data;
}

} // namespace

TEST(JpegRoundTrip, Quality100IsCloseToTheOriginal)
{
    const QImage original = SmoothPicture(64, 48);
    const TPictureResult back = DecodeJpegData(Encode(original, 100));
    ASSERT_TRUE(back.Ok) << back.Error.toStdString();
    EXPECT_FALSE(back.Damaged);
    EXPECT_EQ(back.Image.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.Image.size(), original.size());
    EXPECT_LE(MaxChannelDifference(original, back.Image), 6);
    // The fourth byte of every pixel is 0xFF, as Format_RGB32 demands.
    EXPECT_EQ(back.Image.constBits()[3], 0xFF);
}

TEST(JpegRoundTrip, Quality1StillDecodesAndIsSmaller)
{
    QImage original = SmoothPicture(128, 96);
    std::mt19937 rng(5);
    for (int i = 0; i < 2000; ++i)
        original.setPixel(int(rng() % 128), int(rng() % 96), rng() | 0xFF000000u);
    const QByteArray low = Encode(original, 1);
    const QByteArray high = Encode(original, 100);
    EXPECT_LT(low.size(), high.size() / 4);
    const TPictureResult back = DecodeJpegData(low);
    ASSERT_TRUE(back.Ok);
    EXPECT_EQ(back.Image.size(), original.size());
    // Out-of-range qualities are clamped, not refused.
    EXPECT_EQ(Encode(original, 0), low);
}

TEST(JpegCoding, ProgressiveFileCarriesSof2)
{
    const QImage image = SmoothPicture(40, 30);
    EXPECT_EQ(FrameMarker(Encode(image, 90, false)), 0xC0);
    const QByteArray progressive = Encode(image, 90, true);
    EXPECT_EQ(FrameMarker(progressive), 0xC2);
    const TPictureResult back = DecodeJpegData(progressive);
    ASSERT_TRUE(back.Ok);
    EXPECT_LE(MaxChannelDifference(image, back.Image), 12);
}

TEST(JpegDamage, TruncatedStreamDecodesMarkedDamaged)
{
    const QByteArray full = Encode(SmoothPicture(200, 100), 90);
    const TPictureResult back = DecodeJpegData(full.left(full.size() * 6 / 10));
    ASSERT_TRUE(back.Ok);
    EXPECT_TRUE(back.Damaged);
    EXPECT_EQ(back.Image.size(), QSize(200, 100));
    EXPECT_FALSE(back.Warning.isEmpty());
}

TEST(JpegDamage, HeaderOnlyAndForeignDataAreRefused)
{
    const QByteArray full = Encode(SmoothPicture(20, 10), 90);
    EXPECT_FALSE(DecodeJpegData(full.left(12)).Ok);
    EXPECT_FALSE(DecodeJpegData(QByteArray()).Ok);
    std::mt19937 rng(3);
    QByteArray noise(4096, Qt::Uninitialized);
    for (char& c : noise)
        c = char(rng());
    const TPictureResult r = DecodeJpegData(noise);
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Image.isNull());
    EXPECT_FALSE(r.Error.isEmpty());
    // A JPEG start followed by rubbish.
    QByteArray fake("\xFF\xD8\xFF\xE0\x00\x02rubbish rubbish", 20);
    EXPECT_FALSE(DecodeJpegData(fake).Ok);
}

TEST(JpegLimits, OversizedHeaderIsRefusedBeforeDecoding)
{
    const QByteArray small = Encode(SmoothPicture(16, 16), 80);
    const TPictureResult huge = DecodeJpegData(WithFrameSize(small, 40000, 40000));
    EXPECT_FALSE(huge.Ok);
    EXPECT_TRUE(huge.Error.contains(QStringLiteral("zu groß"))) << huge.Error.toStdString();
    // Each side allowed, but 625 megapixels together are not.
    EXPECT_FALSE(DecodeJpegData(WithFrameSize(small, 25000, 25000)).Ok);
}

TEST(JpegProgress, ReportsStartRisingPercentAndEnd)
{
    std::vector<std::pair<TProgressStage, int>> calls;
    const TProgressHandler handler = [&](TProgressStage s, int p) { calls.emplace_back(s, p); };
    const TPictureResult r = DecodeJpegData(Encode(SmoothPicture(64, 256), 90), handler);
    ASSERT_TRUE(r.Ok);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().first, TProgressStage::Starting);
    EXPECT_EQ(calls.back(), std::make_pair(TProgressStage::Ending, 100));
    for (size_t i = 2; i + 1 < calls.size(); ++i) {
        EXPECT_EQ(calls[i].first, TProgressStage::Running);
        EXPECT_GT(calls[i].second, calls[i - 1].second);
    }
}

TEST(JpegProgress, ThrowingHandlerDoesNotAbortTheDecode)
{
    const TProgressHandler handler = [](TProgressStage, int) { throw std::runtime_error("display gone"); };
    EXPECT_TRUE(DecodeJpegData(Encode(SmoothPicture(32, 32), 90), handler).Ok);
}

TEST(JpegFileSave, WritesReadableFileAndKeepsOldOneOnFailure)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("bild.jpg"));
    QString error;
    ASSERT_TRUE(SaveJpegFile(SmoothPicture(30, 20), name, TJpegOptions{80, true}, &error)) << error.toStdString();
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_EQ(FrameMarker(written), 0xC2);
    EXPECT_EQ(DecodeJpegData(written).Image.size(), QSize(30, 20));
    file.close();
    EXPECT_FALSE(SaveJpegFile(QImage(), name, TJpegOptions{}, &error));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), written);
    EXPECT_FALSE(SaveJpegFile(SmoothPicture(4, 4), dir.filePath(QStringLiteral("fehlt/x.jpg")), TJpegOptions{}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("fehlt/x.jpg")));
}
