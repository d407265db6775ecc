#include "stereo/StereoLoad.h"

#include "stereo/BmpFile.h"
#include "stereo/JpegFile.h"

#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Every pixel tells its own column (red, green) and row (blue).
QImage Coded(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, x >> 8, y & 0xFF));
    return image;
}
int ColumnOf(QRgb p) { return qRed(p) | (qGreen(p) << 8); }

QString SaveBmp(const QTemporaryDir& dir, const QString& name, const QImage& image)
{
    const QString path = dir.filePath(name);
    QString error;
    EXPECT_TRUE(SaveBmpFile(image, path, &error)) << error.toStdString();
    return path;
}

QImage Solid(int w, int h, QRgb pixel)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(pixel);
    return image;
}

bool IsOpen(int fd) { return fd >= 0 && fcntl(fd, F_GETFD) != -1; }

} // namespace

TEST(StereoLoadLayouts, ParallelOddWidthSqueezesRightStrip)
{
    QTemporaryDir dir;
    const QString file = SaveBmp(dir, "par.bmp", Coded(1001, 600));
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slParallel, QString()));
    ASSERT_EQ(left.Image.size(), QSize(500, 600));
    ASSERT_EQ(right.Image.size(), QSize(500, 600));
    for (int x = 0; x < 500; ++x)
        ASSERT_EQ(ColumnOf(left.Image.pixel(x, 7)), x);
    EXPECT_EQ(ColumnOf(right.Image.pixel(0, 0)), 500);
    EXPECT_EQ(ColumnOf(right.Image.pixel(499, 0)), 1000);
    // 501 columns into 500: rising, exactly one source column left out.
    int skipped = 0;
    for (int x = 1; x < 500; ++x) {
        const int step = ColumnOf(right.Image.pixel(x, 0)) - ColumnOf(right.Image.pixel(x - 1, 0));
        ASSERT_TRUE(step == 1 || step == 2);
        skipped += step - 1;
    }
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(qBlue(right.Image.pixel(3, 599)), 599 & 0xFF);
}

TEST(StereoLoadLayouts, CrossTakesLeftFromRightHalf)
{
    QTemporaryDir dir;
    const QString file = SaveBmp(dir, "kreuz.bmp", Coded(20, 4));
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slCross, QString()));
    EXPECT_EQ(ColumnOf(left.Image.pixel(0, 0)), 10);
    EXPECT_EQ(ColumnOf(right.Image.pixel(0, 0)), 0);
}

TEST(StereoLoadLayouts, OverUnderTopIsRightBottomIsLeft)
{
    QTemporaryDir dir;
    const QString file = SaveBmp(dir, "kmq.bmp", Coded(8, 31));
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slOverUnder, QString()));
    ASSERT_EQ(right.Image.size(), QSize(8, 15));
    ASSERT_EQ(left.Image.size(), QSize(8, 15));
    EXPECT_EQ(qBlue(right.Image.pixel(0, 0)), 0);
    EXPECT_EQ(qBlue(right.Image.pixel(0, 14)), 14);
    // Sixteen bottom rows squeezed into fifteen.
    EXPECT_EQ(qBlue(left.Image.pixel(0, 0)), 15);
    EXPECT_EQ(qBlue(left.Image.pixel(0, 14)), 30);
}

TEST(StereoLoadLayouts, AnaglyphFilesAreSplitByChannel)
{
    QTemporaryDir dir;
    const QString file = SaveBmp(dir, "ana.bmp", Solid(3, 2, qRgb(200, 50, 30)));
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slRedCyan, QString()));
    EXPECT_EQ(left.Image.pixel(1, 1), qRgb(200, 200, 200));
    EXPECT_EQ(right.Image.pixel(1, 1), qRgb(50, 50, 30));
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slYellowBlue, QString()));
    EXPECT_EQ(left.Image.pixel(0, 0), qRgb(30, 30, 30));
    EXPECT_EQ(right.Image.pixel(0, 0), qRgb(200, 50, 50));
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slRedBlue, QString()));
    EXPECT_EQ(right.Image.pixel(0, 0), qRgb(30, 30, 30));
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slRedGreen, QString()));
    EXPECT_EQ(left.Image.pixel(0, 0), qRgb(200, 200, 200));
    EXPECT_EQ(right.Image.pixel(0, 0), qRgb(50, 50, 50));
}

TEST(StereoLoadSeparate, MissingPartnerBecomesBlankOfSameSize)
{
    QTemporaryDir dir;
    const QString present = SaveBmp(dir, "r.bmp", Solid(30, 20, qRgb(1, 2, 3)));
    const QString missing = dir.filePath("fehlt.bmp");
    TBitmap left, right;
    left.Brush = 0x000000FF;
    ASSERT_TRUE(LoadStereoPicture(left, right, missing, slSeparate, present));
    EXPECT_EQ(right.Image.pixel(5, 5), qRgb(1, 2, 3));
    ASSERT_EQ(left.Image.size(), QSize(30, 20));
    EXPECT_EQ(left.Image.pixel(29, 19), qRgb(255, 0, 0));
    ASSERT_TRUE(LoadStereoPicture(left, right, present, slSeparate, missing));
    EXPECT_EQ(right.Image.size(), QSize(30, 20));
    EXPECT_EQ(right.Image.pixel(0, 0), qRgb(255, 255, 255));
}

TEST(StereoLoadSeparate, BothMissingGivesTwoBlankFourByFour)
{
    QTemporaryDir dir;
    TBitmap left, right;
    right.Brush = kBlack;
    ASSERT_TRUE(LoadStereoPicture(left, right, dir.filePath("a.jpg"), slSeparate, QString()));
    EXPECT_EQ(left.Image.size(), QSize(4, 4));
    EXPECT_EQ(right.Image.size(), QSize(4, 4));
    EXPECT_EQ(left.Image.pixel(3, 3), qRgb(255, 255, 255));
    EXPECT_EQ(right.Image.pixel(3, 3), qRgb(0, 0, 0));
}

TEST(StereoLoadFailures, MissingCombinedFileChangesNothing)
{
    TProgramObjects objects;
    QTemporaryDir dir;
    const QString file = SaveBmp(dir, "l.bmp", Solid(6, 6, qRgb(9, 9, 9)));
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slSeparate, file));
    const int lockLeft = objects.LockLeft;
    const int lockRight = objects.LockRight;
    EXPECT_FALSE(LoadStereoPicture(left, right, dir.filePath("weg.jpg"), slParallel, QString()));
    EXPECT_EQ(left.Image.size(), QSize(6, 6));
    EXPECT_EQ(objects.LockLeft, lockLeft);
    EXPECT_EQ(objects.LockRight, lockRight);
    EXPECT_TRUE(IsOpen(lockRight));
    // A directory is no picture file either.
    EXPECT_FALSE(LoadStereoPicture(left, right, dir.path(), slCross, QString()));
}

TEST(StereoLoadFailures, ForeignFileRaisesNamedErrorAndKeepsState)
{
    TProgramObjects objects;
    QTemporaryDir dir;
    const QString good = SaveBmp(dir, "gut.bmp", Solid(6, 6, qRgb(9, 9, 9)));
    const QString bad = dir.filePath("kaputt.jpg");
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is plain text, no picture");
    f.close();
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, good, slParallel, QString()));
    const int lock = objects.LockLeft;
    try {
        LoadStereoPicture(left, right, bad, slParallel, QString());
        FAIL() << "no error raised";
    } catch (const EPictureError& e) {
        EXPECT_TRUE(e.Message().contains(bad)) << e.Message().toStdString();
    }
    EXPECT_EQ(left.Image.size(), QSize(3, 6));
    EXPECT_EQ(objects.LockLeft, lock);
    EXPECT_TRUE(IsOpen(lock));
}

TEST(StereoLoadFailures, DamagedJpegLoadsAndIsNamed)
{
    QTemporaryDir dir;
    QByteArray data;
    ASSERT_TRUE(EncodeJpeg(Coded(256, 64), TJpegOptions{90, false}, &data));
    const QString file = dir.filePath("halb.jpg");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data.left(data.size() / 2));
    f.close();
    TBitmap left, right;
    QStringList damage;
    ASSERT_TRUE(LoadStereoPicture(left, right, file, slSeparate, QString(), {}, {}, &damage));
    EXPECT_EQ(left.Image.size(), QSize(256, 64));
    ASSERT_EQ(damage.size(), 1);
    EXPECT_TRUE(damage.front().contains(file));
}

TEST(StereoLoadLocks, HandlesFollowTheLoadedFilesAndCloseOnNextLoad)
{
    TProgramObjects objects;
    QTemporaryDir dir;
    const QString l = SaveBmp(dir, "l.bmp", Solid(4, 4, qRgb(1, 1, 1)));
    const QString r = SaveBmp(dir, "r.bmp", Solid(4, 4, qRgb(2, 2, 2)));
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(left, right, l, slSeparate, r));
    const int oldLeft = objects.LockLeft, oldRight = objects.LockRight;
    ASSERT_TRUE(IsOpen(oldLeft));
    ASSERT_TRUE(IsOpen(oldRight));
    struct stat a, b;
    ASSERT_EQ(fstat(oldRight, &a), 0);
    ASSERT_EQ(stat(QFile::encodeName(r).constData(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    ASSERT_TRUE(LoadStereoPicture(left, right, l, slParallel, QString()));
    EXPECT_TRUE(IsOpen(objects.LockLeft));
    EXPECT_EQ(objects.LockRight, -1);
    // The new handle was opened before the old ones closed, so it cannot
    // have reused their numbers.
    EXPECT_FALSE(IsOpen(oldLeft));
    EXPECT_FALSE(IsOpen(oldRight));
    const int last = objects.LockLeft;
    ReleasePictureLocks();
    EXPECT_EQ(objects.LockLeft, -1);
    EXPECT_FALSE(IsOpen(last));
}

TEST(StereoLoadProgress, EachFileReportsToItsOwnHandler)
{
    QTemporaryDir dir;
    const QString l = SaveBmp(dir, "l.bmp", Solid(4, 4, qRgb(1, 1, 1)));
    const QString r = SaveBmp(dir, "r.bmp", Solid(4, 4, qRgb(2, 2, 2)));
    int leftEnds = 0, rightEnds = 0;
    TBitmap left, right;
    ASSERT_TRUE(LoadStereoPicture(
        left, right, l, slSeparate, r, [&](TProgressStage s, int) { leftEnds += s == TProgressStage::Ending; },
        [&](TProgressStage s, int) { rightEnds += s == TProgressStage::Ending; }));
    EXPECT_EQ(leftEnds, 1);
    EXPECT_EQ(rightEnds, 1);
}
