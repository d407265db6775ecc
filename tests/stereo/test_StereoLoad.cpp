#include "stereo/StereoLoad.h"

#include "StereoTestPictures.h"

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

bool IsOpen(int fd) { return fd >= 0 && fcntl(fd, F_GETFD) != -1; }

// A folder for the files and the pair of bitmaps they are loaded into.
struct TLoad {
    QTemporaryDir dir;
    TBitmap left, right;

    QString Bmp(const QString& name, const QImage& image)
    {
        QString error;
        EXPECT_TRUE(SaveBmpFile(image, dir.filePath(name), &error)) << error.toStdString();
        return dir.filePath(name);
    }
    QString Raw(const QString& name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return file.fileName();
    }
    bool Load(const QString& first, int layout, const QString& second = QString(), const TProgressHandler& l = {},
              const TProgressHandler& r = {}, QStringList* damage = nullptr)
    {
        return LoadStereoPicture(left, right, first, layout, second, l, r, damage);
    }
};

} // namespace

TEST(StereoLoadLayouts, HalvesAreSplitAndTheOddRemainderSqueezed)
{
    TLoad t;
    const QString file = t.Bmp("paar.bmp", Coded(21, 31));
    // Parallel: ten columns each; the right eleven squeezed into ten, rising,
    // exactly one source column left out, the rows untouched.
    ASSERT_TRUE(t.Load(file, slParallel));
    ASSERT_EQ(t.left.Image.size(), QSize(10, 31));
    ASSERT_EQ(t.right.Image.size(), QSize(10, 31));
    EXPECT_EQ(ColumnOf(t.right.Image.pixel(0, 0)), 10);
    EXPECT_EQ(ColumnOf(t.right.Image.pixel(9, 0)), 20);
    int skipped = 0;
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(ColumnOf(t.left.Image.pixel(x, 7)), x);
        const int step = x == 0 ? 1 : ColumnOf(t.right.Image.pixel(x, 0)) - ColumnOf(t.right.Image.pixel(x - 1, 0));
        EXPECT_TRUE(step == 1 || step == 2) << x;
        skipped += step - 1;
    }
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(qBlue(t.right.Image.pixel(3, 30)), 30);
    // Cross: the left picture is the right half.
    ASSERT_TRUE(t.Load(file, slCross));
    EXPECT_EQ(ColumnOf(t.left.Image.pixel(0, 0)), 10);
    EXPECT_EQ(ColumnOf(t.right.Image.pixel(0, 0)), 0);
    // Over-under: the top fifteen rows are the right picture, the bottom
    // sixteen squeezed into fifteen the left one.
    ASSERT_TRUE(t.Load(file, slOverUnder));
    ASSERT_EQ(t.right.Image.size(), QSize(21, 15));
    ASSERT_EQ(t.left.Image.size(), QSize(21, 15));
    EXPECT_EQ(qBlue(t.right.Image.pixel(0, 0)), 0);
    EXPECT_EQ(qBlue(t.right.Image.pixel(0, 14)), 14);
    EXPECT_EQ(qBlue(t.left.Image.pixel(0, 0)), 15);
    EXPECT_EQ(qBlue(t.left.Image.pixel(0, 14)), 30);
}

TEST(StereoLoadLayouts, AnaglyphFilesAreSplitByChannel)
{
    TLoad t;
    const QString file = t.Bmp("ana.bmp", Solid(3, 2, qRgb(200, 50, 30)));
    const struct {
        int layout;
        QRgb left, right;
    } cases[] = {
        {slRedCyan, qRgb(200, 200, 200), qRgb(50, 50, 30)},
        {slYellowBlue, qRgb(30, 30, 30), qRgb(200, 50, 50)},
        {slRedBlue, qRgb(200, 200, 200), qRgb(30, 30, 30)},
        {slRedGreen, qRgb(200, 200, 200), qRgb(50, 50, 50)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        ASSERT_TRUE(t.Load(file, c.layout));
        EXPECT_TRUE(PixelsAre(t.left.Image, {{2, 1, c.left}}));
        EXPECT_TRUE(PixelsAre(t.right.Image, {{2, 1, c.right}}));
    }
}

TEST(StereoLoadSeparate, MissingFilesBecomeBlanksInTheBitmapsBrush)
{
    TLoad t;
    const QString present = t.Bmp("r.bmp", Solid(30, 20, qRgb(1, 2, 3)));
    const QString missing = t.dir.filePath("fehlt.bmp");
    t.left.Brush = 0x000000FF;
    ASSERT_TRUE(t.Load(missing, slSeparate, present));
    EXPECT_TRUE(PixelsAre(t.right.Image, {{5, 5, qRgb(1, 2, 3)}}));
    ASSERT_EQ(t.left.Image.size(), QSize(30, 20));
    EXPECT_TRUE(PixelsAre(t.left.Image, {{29, 19, qRgb(255, 0, 0)}}));
    ASSERT_TRUE(t.Load(present, slSeparate, missing));
    ASSERT_EQ(t.right.Image.size(), QSize(30, 20));
    EXPECT_TRUE(PixelsAre(t.right.Image, {{0, 0, qRgb(255, 255, 255)}}));
    // Neither file: two blank 4 x 4 pictures.
    t.right.Brush = kBlack;
    ASSERT_TRUE(t.Load(missing, slSeparate, QString()));
    ASSERT_EQ(t.left.Image.size(), QSize(4, 4));
    ASSERT_EQ(t.right.Image.size(), QSize(4, 4));
    EXPECT_TRUE(PixelsAre(t.left.Image, {{3, 3, qRgb(255, 0, 0)}}));
    EXPECT_TRUE(PixelsAre(t.right.Image, {{3, 3, qRgb(0, 0, 0)}}));
}

TEST(StereoLoadFailures, MissingOrUnreadableFileChangesNeitherPicturesNorLocks)
{
    TProgramObjects objects;
    TLoad t;
    const QString file = t.Bmp("l.bmp", Solid(6, 6, qRgb(9, 9, 9)));
    const QString bad = t.Raw("kaputt.jpg", "this is plain text, no picture");
    ASSERT_TRUE(t.Load(file, slSeparate, file));
    const int lockLeft = objects.LockLeft, lockRight = objects.LockRight;
    // A combined layout's missing file, or a directory: false.
    EXPECT_FALSE(t.Load(t.dir.filePath("weg.jpg"), slParallel));
    EXPECT_FALSE(t.Load(t.dir.path(), slCross));
    // A file that is no picture: an error naming it.
    try {
        t.Load(bad, slParallel);
        ADD_FAILURE() << "no error raised";
    } catch (const EPictureError& e) {
        EXPECT_TRUE(e.Message().contains(bad)) << e.Message().toStdString();
    }
    EXPECT_EQ(t.left.Image.size(), QSize(6, 6));
    EXPECT_EQ(objects.LockLeft, lockLeft);
    EXPECT_EQ(objects.LockRight, lockRight);
    EXPECT_TRUE(IsOpen(lockLeft));
    EXPECT_TRUE(IsOpen(lockRight));
}

TEST(StereoLoadFailures, DamagedJpegLoadsAndIsNamed)
{
    TLoad t;
    QByteArray data;
    ASSERT_TRUE(EncodeJpeg(Coded(256, 64), TJpegOptions{90, false}, &data));
    const QString file = t.Raw("halb.jpg", data.left(data.size() / 2));
    QStringList damage;
    ASSERT_TRUE(t.Load(file, slSeparate, QString(), {}, {}, &damage));
    EXPECT_EQ(t.left.Image.size(), QSize(256, 64));
    ASSERT_EQ(damage.size(), 1);
    EXPECT_TRUE(damage.front().contains(file));
}

TEST(StereoLoadLocks, HandlesFollowTheLoadedFilesAndCloseOnNextLoad)
{
    TProgramObjects objects;
    TLoad t;
    const QString l = t.Bmp("l.bmp", Solid(4, 4, qRgb(1, 1, 1)));
    const QString r = t.Bmp("r.bmp", Solid(4, 4, qRgb(2, 2, 2)));
    // Each file reports to its own progress handler.
    int leftEnds = 0, rightEnds = 0;
    ASSERT_TRUE(t.Load(l, slSeparate, r, [&](TProgressStage s, int) { leftEnds += s == TProgressStage::Ending; },
                       [&](TProgressStage s, int) { rightEnds += s == TProgressStage::Ending; }));
    EXPECT_EQ(leftEnds, 1);
    EXPECT_EQ(rightEnds, 1);
    const int oldLeft = objects.LockLeft, oldRight = objects.LockRight;
    ASSERT_TRUE(IsOpen(oldLeft));
    ASSERT_TRUE(IsOpen(oldRight));
    struct stat a, b;
    ASSERT_EQ(fstat(oldRight, &a), 0);
    ASSERT_EQ(stat(QFile::encodeName(r).constData(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino);
    ASSERT_TRUE(t.Load(l, slParallel));
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
