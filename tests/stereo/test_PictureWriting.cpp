// Writing picture files: through a temporary file, and every failure named.
#include "stereo/BmpFile.h"
#include "stereo/JpegBackgroundEncoder.h"
#include "stereo/JpegFile.h"
#include "stereo/PictureFiles.h"
#include "stereo/PictureHolder.h"
#include "stereo/SavePicture.h"
#include "stereo/StereoConvert.h"

#include "StereoTestPictures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteText(const QString& name, const QByteArray& text)
{
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A picture with enough detail that coding it takes a while.
QImage Busy(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgb((x * 7 + y * 13) & 255, (x * y) & 255, (x ^ y) & 255);
    }
    return image;
}

struct TFaultHook {
    explicit TFaultHook(TFileWriteFaultHook hook) { previous = SetFileWriteFaultHook(std::move(hook)); }
    ~TFaultHook() { SetFileWriteFaultHook(previous); }
    TFileWriteFaultHook previous;
};

} // namespace

TEST(PictureWriting, HolderWritesTheMeasuredBytesOrTheBitmap)
{
    QTemporaryDir dir;
    QByteArray jpeg;
    ASSERT_TRUE(EncodeJpeg(Solid(64, 32, qRgb(10, 200, 30)), TJpegOptions{80, false}, &jpeg));
    TPictureHolder holder;
    EXPECT_TRUE(holder.Empty());
    holder.SetEncoded(jpeg);
    EXPECT_EQ(holder.FileSize(), jpeg.size());
    QString error;
    ASSERT_TRUE(holder.SaveToFile(dir.filePath("a.jpg"), &error)) << error.toStdString();
    EXPECT_EQ(ReadAll(dir.filePath("a.jpg")), jpeg);

    holder.SetBitmap(Solid(5, 3, qRgb(1, 2, 3)));
    EXPECT_EQ(holder.FileSize(), 14 + 40 + 3 * 16); // rows of 15 bytes padded to 16
    ASSERT_TRUE(holder.SaveToFile(dir.filePath("a.bmp"), &error));
    EXPECT_EQ(QFileInfo(dir.filePath("a.bmp")).size(), holder.FileSize());

    holder.Clear();
    EXPECT_FALSE(holder.SaveToFile(dir.filePath("b.jpg"), &error));
    EXPECT_TRUE(error.contains(dir.filePath("b.jpg")));
    EXPECT_FALSE(QFile::exists(dir.filePath("b.jpg")));
}

TEST(PictureWriting, MissingFolderFileInPlaceOfAFolderAndEmptyNameAreNamed)
{
    QTemporaryDir dir;
    const QByteArray data = "data";
    auto write = [&](const QString& name) {
        QString error;
        const bool ok = WriteFileReplacing(name, [&](QIODevice& d) { return d.write(data) == data.size(); }, &error);
        EXPECT_FALSE(ok) << name.toStdString();
        return error;
    };
    const QString missing = dir.filePath("fehlt/x.jpg");
    EXPECT_EQ(write(missing), QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: der Ordner \"%2\" "
                                             "existiert nicht.")
                                  .arg(missing, dir.filePath("fehlt")));
    WriteText(dir.filePath("datei"), "x");
    const QString underFile = dir.filePath("datei/tief/x.jpg");
    EXPECT_TRUE(write(underFile).contains(QStringLiteral("\"%1\" ist kein Ordner").arg(dir.filePath("datei"))));
    EXPECT_TRUE(write("").contains(QStringLiteral("kein Dateiname")));
    QDir(dir.path()).mkdir("ordner");
    EXPECT_TRUE(write(dir.filePath("ordner")).contains(QStringLiteral("ein Ordner trägt diesen Namen")));
    EXPECT_EQ(ReadAll(dir.filePath("datei")), "x");
}

TEST(PictureWriting, FailedWriteLeavesTheExistingFileAndNoTemporaryFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("alt.bmp");
    WriteText(target, "altes Bild");
    QString error;
    {
        TFaultHook full([](const QString&, qint64 written) { return written > 0; });
        EXPECT_FALSE(SaveBmpFile(Solid(300, 200, qRgb(9, 9, 9)), target, &error));
    }
    EXPECT_EQ(error, QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: kein Platz auf dem "
                                    "Datenträger.")
                         .arg(target));
    EXPECT_EQ(ReadAll(target), "altes Bild");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"alt.bmp"});
    // Without the fault the same call replaces it.
    EXPECT_TRUE(SaveBmpFile(Solid(300, 200, qRgb(9, 9, 9)), target, &error));
    EXPECT_EQ(QFileInfo(target).size(), BmpFileSize(Solid(300, 200, 0)));
}

TEST(PictureWriting, ReadOnlyFolderIsRefusedAndItsFileKept)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop the superuser; the fault hook covers this case";
    QTemporaryDir dir;
    const QString folder = dir.filePath("nur_lesen");
    ASSERT_TRUE(QDir(dir.path()).mkdir("nur_lesen"));
    WriteText(folder + "/x.bmp", "alt");
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    QString error;
    EXPECT_FALSE(SaveBmpFile(Solid(4, 4, 0), folder + "/x.bmp", &error));
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_TRUE(error.contains(QStringLiteral("keine Schreibberechtigung"))) << error.toStdString();
    EXPECT_EQ(ReadAll(folder + "/x.bmp"), "alt");
}

TEST(JpegCoding, ACancelledCodingStopsWithItsOwnReason)
{
    std::atomic<bool> cancel{true};
    QByteArray data;
    QString error;
    EXPECT_FALSE(EncodeJpeg(Busy(64, 64), TJpegOptions{}, &data, &error, {}, &cancel));
    EXPECT_EQ(error, kJpegCancelled);
    cancel = false;
    EXPECT_TRUE(EncodeJpeg(Busy(64, 64), TJpegOptions{}, &data, &error, {}, &cancel));
}

namespace {

struct TCollector {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<TJpegBackgroundEncoder::TResult> results;
    void Add(const TJpegBackgroundEncoder::TResult& r)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        results.push_back(r);
        changed.notify_all();
    }
    bool WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] { return results.size() >= count; });
    }
};

} // namespace

TEST(JpegBackground, OnlyTheNewestRequestIsDeliveredWithTheSameBytesAsAForegroundCoding)
{
    TCollector collected;
    TJpegBackgroundEncoder encoder([&](const TJpegBackgroundEncoder::TResult& r) { collected.Add(r); });
    const QImage big = Busy(3000, 2000), small = Busy(40, 30);
    const quint64 first = encoder.Start(TSavePicture(big), TJpegOptions{95, true});
    const quint64 second = encoder.Start(TSavePicture(small), TJpegOptions{50, false});
    EXPECT_GT(second, first);
    ASSERT_TRUE(collected.WaitFor(1));
    while (encoder.Busy())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(collected.results.size(), 1u);
    const auto& result = collected.results[0];
    EXPECT_EQ(result.Ticket, second);
    ASSERT_TRUE(result.Ok);
    QByteArray expected;
    ASSERT_TRUE(EncodeJpeg(small, TJpegOptions{50, false}, &expected));
    EXPECT_EQ(result.Data, expected);
}

TEST(JpegBackground, CancelledRequestDeliversNothingAndAFailureIsReported)
{
    TCollector collected;
    TJpegBackgroundEncoder encoder([&](const TJpegBackgroundEncoder::TResult& r) { collected.Add(r); });
    encoder.Start(TSavePicture(Busy(3000, 2000)), TJpegOptions{95, true});
    encoder.Cancel();
    while (encoder.Busy())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(collected.results.empty());
    const quint64 empty = encoder.Start(TSavePicture(), TJpegOptions{});
    ASSERT_TRUE(collected.WaitFor(1));
    EXPECT_EQ(collected.results[0].Ticket, empty);
    EXPECT_FALSE(collected.results[0].Ok);
    EXPECT_FALSE(collected.results[0].Error.isEmpty());
}

TEST(SavePicture, HalvesPutTogetherRowByRowEqualTheCombinedPictureAndItsCoding)
{
    // Unequal sizes, so the places and the uncovered area matter.
    const QImage left = Busy(70, 40), right = Solid(50, 55, qRgb(0, 0, 255));
    for (int layout : {1, 2, 3}) {
        TBitmap l{left, kWhite}, r{right, kWhite}, combined;
        combined.Brush = 0x00336699;
        CombineStereoPicture(layout, 0, l, r, combined, 7);
        const TSavePicture picture = TSavePicture::Combined(layout, left, right, 7, 0x00336699);
        ASSERT_EQ(QSize(picture.Width(), picture.Height()), combined.Image.size()) << layout;
        EXPECT_EQ(picture.ToImage(), combined.Image) << layout;
        QByteArray rows, whole;
        ASSERT_TRUE(EncodeSavePicture(picture, TJpegOptions{90, layout == 2}, &rows));
        ASSERT_TRUE(EncodeJpeg(combined.Image, TJpegOptions{90, layout == 2}, &whole));
        EXPECT_EQ(rows, whole) << layout;
    }
    EXPECT_TRUE(TSavePicture::Combined(4, left, right, 0, kWhite).IsNull());
    // The same halves, the same key; another gap, another key.
    EXPECT_EQ(TSavePicture::Combined(1, left, right, 7, kWhite).Key(), TSavePicture::Combined(1, left, right, 7, kWhite).Key());
    EXPECT_FALSE(TSavePicture::Combined(1, left, right, 8, kWhite).Key() == TSavePicture::Combined(1, left, right, 7, kWhite).Key());
    const TSavePicture plain(left);
    EXPECT_EQ(plain.ToImage(), left);
}
