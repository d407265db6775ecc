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

// Where the start-of-frame segment begins, found by walking the marker
// segments without help from the JPEG library; -1 when there is none.
qsizetype FrameAt(const QByteArray& data)
{
    const auto* d = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype pos = 2; pos + 9 <= data.size() && d[pos] == 0xFF; pos += 2 + ((d[pos + 2] << 8) | d[pos + 3]))
        if (d[pos + 1] >= 0xC0 && d[pos + 1] <= 0xC3)
            return pos;
    return -1;
}
// 0xC0 baseline, 0xC2 progressive, 0 none.
int FrameMarker(const QByteArray& data) { return FrameAt(data) < 0 ? 0 : uchar(data[FrameAt(data) + 1]); }

QByteArray WithFrameSize(QByteArray data, int width, int height)
{
    const qsizetype pos = FrameAt(data);
    EXPECT_GE(pos, 0) << "no frame header";
    data[pos + 5] = char(height >> 8), data[pos + 6] = char(height);
    data[pos + 7] = char(width >> 8), data[pos + 8] = char(width);
    return data;
}

QByteArray Encode(const QImage& image, int quality, bool progressive = false)
{
    QByteArray data;
    QString error;
    EXPECT_TRUE(EncodeJpeg(image, TJpegOptions{quality, progressive}, &data, &error)) << error.toStdString();
    return data;
}

} // namespace

TEST(JpegRoundTrip, BaselineAndProgressiveComeBackCloseToTheOriginal)
{
    const QImage original = SmoothPicture(64, 48);
    const QByteArray baseline = Encode(original, 100);
    EXPECT_EQ(FrameMarker(baseline), 0xC0);
    const TPictureResult back = DecodeJpegData(baseline);
    ASSERT_TRUE(back.Ok) << back.Error.toStdString();
    EXPECT_FALSE(back.Damaged);
    EXPECT_EQ(back.Image.format(), QImage::Format_RGB32);
    ASSERT_EQ(back.Image.size(), original.size());
    EXPECT_LE(MaxChannelDifference(original, back.Image), 6);
    // The fourth byte of every pixel is 0xFF, as Format_RGB32 demands.
    EXPECT_EQ(back.Image.constBits()[3], 0xFF);

    const QByteArray progressive = Encode(original, 90, true);
    EXPECT_EQ(FrameMarker(progressive), 0xC2);
    const TPictureResult fromProgressive = DecodeJpegData(progressive);
    ASSERT_TRUE(fromProgressive.Ok);
    EXPECT_LE(MaxChannelDifference(original, fromProgressive.Image), 12);
}

TEST(JpegRoundTrip, Quality1StillDecodesAndIsSmaller)
{
    QImage original = SmoothPicture(128, 96);
    std::mt19937 rng(5);
    for (int i = 0; i < 2000; ++i)
        original.setPixel(int(rng() % 128), int(rng() % 96), rng() | 0xFF000000u);
    const QByteArray low = Encode(original, 1);
    EXPECT_LT(low.size(), Encode(original, 100).size() / 4);
    const TPictureResult back = DecodeJpegData(low);
    ASSERT_TRUE(back.Ok);
    EXPECT_EQ(back.Image.size(), original.size());
    // Out-of-range qualities are clamped, not refused.
    EXPECT_EQ(Encode(original, 0), low);
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

TEST(JpegDamage, HeaderOnlyForeignAndOversizedDataAreRefused)
{
    const QByteArray small = Encode(SmoothPicture(16, 16), 80);
    std::mt19937 rng(3);
    QByteArray noise(4096, Qt::Uninitialized);
    for (char& c : noise)
        c = char(rng());
    const struct {
        QByteArray data;
        const char* reason;
    } cases[] = {
        {small.left(12), ""},
        {QByteArray(), "leer"},
        {noise, "keine JPEG-Datei"},
        {QByteArray("\xFF\xD8\xFF\xE0\x00\x02rubbish rubbish", 20), ""}, // a JPEG start, then rubbish
        // Refused before decoding; in the second each side is allowed, but
        // not 625 megapixels together.
        {WithFrameSize(small, 40000, 40000), "zu groß"},
        {WithFrameSize(small, 25000, 25000), "zu groß"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data.left(12).toHex().toStdString());
        const TPictureResult r = DecodeJpegData(c.data);
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Image.isNull());
        EXPECT_FALSE(r.Error.isEmpty());
        EXPECT_TRUE(r.Error.contains(QString::fromUtf8(c.reason))) << r.Error.toStdString();
    }
}

TEST(JpegDamage, APictureTooLargeToOpenIsNotPreviewedReducedEither)
{
    // 40000 x 40000 at 1/8 would be a 25-megapixel preview of a picture that
    // cannot be opened.
    QTemporaryDir dir;
    QFile file(dir.filePath("riesig.jpg"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(WithFrameSize(Encode(SmoothPicture(16, 16), 80), 40000, 40000));
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(ReadJpegSizeFd(file.handle()), QSize(40000, 40000));
    const TPictureResult r = DecodeJpegFd(file.handle(), {}, [](QSize) { return 8; });
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Error.contains(QString::fromUtf8("zu groß"))) << r.Error.toStdString();
}

TEST(JpegProgress, ReportsStartRisingPercentAndEndAndSurvivesAThrowingHandler)
{
    std::vector<std::pair<TProgressStage, int>> calls;
    const TProgressHandler handler = [&](TProgressStage s, int p) { calls.emplace_back(s, p); };
    ASSERT_TRUE(DecodeJpegData(Encode(SmoothPicture(64, 256), 90), handler).Ok);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().first, TProgressStage::Starting);
    EXPECT_EQ(calls.back(), std::make_pair(TProgressStage::Ending, 100));
    for (size_t i = 2; i + 1 < calls.size(); ++i) {
        EXPECT_EQ(calls[i].first, TProgressStage::Running);
        EXPECT_GT(calls[i].second, calls[i - 1].second);
    }
    const TProgressHandler thrower = [](TProgressStage, int) { throw std::runtime_error("display gone"); };
    EXPECT_TRUE(DecodeJpegData(Encode(SmoothPicture(32, 32), 90), thrower).Ok);
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
