// Reading pairs for the open dialog: reduced reading for the preview, the
// eyes' sizes from the headers, and the two reading threads seen from the
// caller (progress on its own thread, which file's failure is reported).
#include "stereo/StereoLoad.h"

#include "StereoTestPictures.h"

#include "model/ProgramObjects.h"
#include "stereo/BmpFile.h"
#include "stereo/JpegFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

// Every pixel tells its own column (red) and row (green).
QImage Coded(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(x, y, 77);
    }
    return image;
}

// Left half red, right half blue.
QImage Halves(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(230, 20, 20));
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = w / 2; x < w; ++x)
            line[x] = qRgb(20, 20, 230);
    }
    return image;
}

struct TFiles {
    QTemporaryDir dir;
    TProgramObjects objects; // keeps the file locks
    ~TFiles() { ReleasePictureLocks(); }

    QString Jpeg(const QString& name, const QImage& image)
    {
        QString error;
        EXPECT_TRUE(SaveJpegFile(image, dir.filePath(name), TJpegOptions{95, false}, &error));
        return dir.filePath(name);
    }
    QString Bmp(const QString& name, const QImage& image)
    {
        QString error;
        EXPECT_TRUE(SaveBmpFile(image, dir.filePath(name), &error));
        return dir.filePath(name);
    }
    QString Raw(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    }
};

bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 6 && std::abs(qGreen(a) - qGreen(b)) <= 6
        && std::abs(qBlue(a) - qBlue(b)) <= 6;
}

QSize HalfWidth(QSize s) { return QSize(s.width() / 2, s.height()); }

} // namespace

TEST(PreviewReduction, LargestFactorThatStillFillsWhatIsShown)
{
    // A 24-megapixel eye shown 495 x 330 of a 540 x 330 area: 1/8 (750 x 500).
    EXPECT_EQ(PictureReductionFor(QSize(6000, 4000), QSize(540, 330)), 8);
    // A side-by-side file: its eye 3000 x 4000, shown 247 x 330, is 375 x 500 at 1/8.
    EXPECT_EQ(PictureReductionFor(QSize(6000, 4000), QSize(540, 330), HalfWidth), 8);
    // 1600 x 1200 shown 440 x 330: 1/4 would give 400 x 300, too small.
    EXPECT_EQ(PictureReductionFor(QSize(1600, 1200), QSize(540, 330)), 2);
    EXPECT_EQ(PictureReductionFor(QSize(800, 600), QSize(540, 330)), 1);
    // Never read smaller than the picture is shown at its own size.
    EXPECT_EQ(PictureReductionFor(QSize(100, 50), QSize(540, 330)), 1);
    EXPECT_EQ(PictureReductionFor(QSize(6000, 4000), QSize()), 1);
    EXPECT_EQ(ReducedPictureSize(QSize(6000, 4000), 8), QSize(750, 500));
    EXPECT_EQ(ReducedPictureSize(QSize(1001, 7), 4), QSize(251, 2));
}

TEST(PreviewReduction, JpegIsScaledByTheDecoder)
{
    TFiles f;
    const QString name = f.Jpeg("halves.jpg", Halves(1001, 600));
    const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadJpegSizeFd(fd), QSize(1001, 600));
    const TPictureResult r = DecodeJpegFd(fd, {}, [](QSize size) {
        EXPECT_EQ(size, QSize(1001, 600));
        return 8;
    });
    ::close(fd);
    ASSERT_TRUE(r.Ok);
    EXPECT_EQ(r.Image.size(), QSize(126, 75)); // rounded up
    EXPECT_TRUE(Near(r.Image.pixel(10, 40), qRgb(230, 20, 20)));
    EXPECT_TRUE(Near(r.Image.pixel(120, 40), qRgb(20, 20, 230)));
}

TEST(PreviewReduction, BitmapKeepsEveryNthRowAndColumnInBothRowOrders)
{
    TFiles f;
    const QImage coded = Coded(17, 11);
    const QByteArray bottomUp = EncodeBmp(coded);
    // The same file stored top-down: negative height, rows reversed.
    QByteArray topDown = bottomUp.left(54);
    const qint32 negative = -11;
    std::memcpy(topDown.data() + 22, &negative, 4);
    const int stride = (17 * 3 + 3) / 4 * 4;
    for (int row = 10; row >= 0; --row)
        topDown += bottomUp.mid(54 + row * stride, stride);
    for (const QByteArray& file : {bottomUp, topDown}) {
        const TPictureResult r = DecodeBmpData(file);
        ASSERT_TRUE(r.Ok);
        EXPECT_EQ(r.Image, coded);
        const QString name = f.Raw("coded.bmp", file);
        const int fd = ::open(QFile::encodeName(name).constData(), O_RDONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(ReadBmpSizeFd(fd), QSize(17, 11));
        const TPictureResult small = DecodeBmpFd(fd, {}, [](QSize) { return 4; });
        ::close(fd);
        ASSERT_TRUE(small.Ok);
        ASSERT_EQ(small.Image.size(), QSize(5, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(small.Image.pixel(x, y), coded.pixel(4 * x, 4 * y)) << x << "," << y;
    }
}

TEST(PreviewLoad, EyesAreReadNoLargerThanShownInEveryKindOfFile)
{
    TFiles f;
    TBitmap left, right;
    const QString l = f.Jpeg("l.jpg", Halves(2000, 1000)), r = f.Bmp("r.bmp", Coded(2000, 1000));
    ASSERT_TRUE(LoadStereoPreview(left, right, l, slSeparate, r, QSize(200, 100)));
    EXPECT_EQ(left.Image.size(), QSize(250, 125));
    EXPECT_EQ(right.Image.size(), QSize(250, 125));
    EXPECT_EQ(right.Image.pixel(3, 2), qRgb(24, 16, 77));
    // A side-by-side file is reduced for its eyes, then split.
    const QString sbs = f.Bmp("sbs.bmp", Coded(4000, 1000));
    ASSERT_TRUE(LoadStereoPreview(left, right, sbs, slParallel, QString(), QSize(200, 100)));
    EXPECT_EQ(left.Image.size(), QSize(250, 125));
    // The full reading is unchanged.
    ASSERT_TRUE(LoadStereoPicture(left, right, l, slSeparate, r));
    EXPECT_EQ(left.Image.size(), QSize(2000, 1000));
    EXPECT_EQ(right.Image.pixel(1999, 999), qRgb(1999 & 0xFF, 999 & 0xFF, 77));
}

TEST(PreviewLoad, EyeSizesComeFromTheHeadersOfEveryLayout)
{
    TFiles f;
    const QString jpg = f.Jpeg("a.jpg", Coded(401, 100)), bmp = f.Bmp("b.bmp", Coded(100, 301));
    const QString text = f.Raw("text.jpg", "kein Bild"), missing = f.dir.filePath("weg.jpg");
    QSize left, right;
    ASSERT_TRUE(ReadStereoPictureSizes(jpg, slSeparate, bmp, &left, &right));
    EXPECT_EQ(left, QSize(401, 100));
    EXPECT_EQ(right, QSize(100, 301));
    ASSERT_TRUE(ReadStereoPictureSizes(missing, slSeparate, bmp, &left, &right)); // a blank of the other's size
    EXPECT_EQ(left, QSize(100, 301));
    ASSERT_TRUE(ReadStereoPictureSizes(jpg, slCross, QString(), &left, &right));
    EXPECT_EQ(left, QSize(200, 100));
    EXPECT_EQ(right, QSize(200, 100));
    ASSERT_TRUE(ReadStereoPictureSizes(bmp, slOverUnder, QString(), &left, &right));
    EXPECT_EQ(left, QSize(100, 150));
    ASSERT_TRUE(ReadStereoPictureSizes(bmp, slRedGreen, QString(), &left, &right));
    EXPECT_EQ(right, QSize(100, 301));
    EXPECT_FALSE(ReadStereoPictureSizes(missing, slParallel, QString(), &left, &right));
    EXPECT_FALSE(ReadStereoPictureSizes(text, slSeparate, missing, &left, &right));
}

TEST(PairThreads, ProgressReachesTheHandlersOnTheLoadingThreadAndEndsAt100)
{
    TFiles f;
    const QString l = f.Jpeg("l.jpg", Halves(1200, 900)), r = f.Bmp("r.bmp", Coded(1200, 900));
    const std::thread::id self = std::this_thread::get_id();
    struct TCalls {
        int count = 0, elsewhere = 0;
        TProgressStage lastStage = TProgressStage::Starting;
        int lastPercent = -1;
    } calls[2];
    auto handler = [&](TCalls& c) {
        return [&c, self](TProgressStage stage, int percent) {
            ++c.count;
            c.elsewhere += std::this_thread::get_id() != self;
            c.lastStage = stage;
            c.lastPercent = percent;
        };
    };
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, l, slSeparate, r, handler(calls[0]), handler(calls[1])));
    for (const TCalls& c : calls) {
        EXPECT_GT(c.count, 0);
        EXPECT_EQ(c.elsewhere, 0);
        EXPECT_EQ(c.lastStage, TProgressStage::Ending);
        EXPECT_EQ(c.lastPercent, 100);
    }
    EXPECT_EQ(left.Image.size(), QSize(1200, 900));
    EXPECT_EQ(right.Image.pixel(5, 6), qRgb(5, 6, 77));
}

TEST(PairThreads, TheLeftFilesFailureIsReportedFirstAndNothingChanges)
{
    TFiles f;
    const QString good = f.Bmp("gut.bmp", Coded(30, 20));
    const QString badLeft = f.Raw("links.jpg", "kaputt"), badRight = f.Raw("rechts.jpg", "auch kaputt");
    TBitmap left{Solid(3, 3, qRgb(1, 1, 1))}, right{Solid(3, 3, qRgb(2, 2, 2))};
    auto failure = [&](const QString& first, const QString& second) {
        try {
            LoadStereoPicture(left, right, first, slSeparate, second);
        } catch (const EPictureError& e) {
            return e.Message();
        }
        return QString();
    };
    EXPECT_TRUE(failure(badLeft, badRight).contains("links.jpg"));
    EXPECT_TRUE(failure(good, badRight).contains("rechts.jpg"));
    EXPECT_TRUE(failure(badLeft, good).contains("links.jpg"));
    EXPECT_EQ(left.Image.size(), QSize(3, 3));
    EXPECT_EQ(right.Image.pixel(0, 0), qRgb(2, 2, 2));
}
