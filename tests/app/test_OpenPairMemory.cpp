// The controller's handling of picture memory when pairs are opened: the
// second pair of a size reuses the first one's memory and shows exactly what
// a fresh composition shows; memory the open dialog prepared for a pair that
// is then not opened is given back.
#include "app/Daten_Modul.h"
#include "app/Main.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "stereo/Compose.h"
#include "stereo/DisparityMap.h"
#include "stereo/PictureBuffers.h"
#include "stereo/StereoLoad.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "QuietPool.h"

#include <cstring>

#include "AppFixture.h"

namespace {

// Eyes of 6 MB, in the pooled range.
constexpr int kW = 1500, kH = 1000;

QString WriteBusy(const QTemporaryDir& dir, const QString& name, int seed)
{
    QImage image(kW, kH, QImage::Format_RGB32);
    for (int y = 0; y < kH; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kW; ++x)
            line[x] = qRgb((x * seed) & 0xFF, (y + seed) & 0xFF, (x ^ y) & 0xFF);
    }
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}

bool SameRows(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return false;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 4) != 0)
            return false;
    return true;
}


size_t EyeCapacity() { return PictureBufferCapacity(size_t(kW) * kH * 4); }

// The window check's background matching holds the pair's pictures for a
// moment after each load; these tests count the open path's own memory.
void WithoutWindowCheck(TDM& dm)
{
    dm.ComputeDisparity = [](const QImage&, const QImage&, const std::function<bool()>&) { return TDisparityMap(); };
}

} // namespace

TEST(OpenPairMemory, SecondPairReusesTheFirstOnesMemoryAndShowsWhatAFreshCompositionShows)
{
    TQuietPool quiet;
    TFreshProgram p;
    WithoutWindowCheck(p.dm);
    for (int i = 0; i < 5; ++i)
        PolygonListe()->AddNode(300 + (i % 3) * 400, i < 3 ? 200 : 800, PolygonListe()->Count());
    p.dm.Settings->DecorUse = 1;
    p.dm.LoadStereoPair(WriteBusy(p.dir, "a_L.bmp", 3), WriteBusy(p.dir, "a_R.bmp", 5), 0);
    ASSERT_EQ(p.dm.SourceLeft.Image.size(), QSize(kW, kH));
    // Three pictures per eye may stay; the masks have only their sizes.
    EXPECT_EQ(PictureBufferLimit(), 6 * EyeCapacity());
    EXPECT_TRUE(p.dm.MaskLeft.Empty());
    EXPECT_EQ(p.dm.Pictures.MaskSize(1), QSize(kW, kH));
    p.dm.ActionAnaglyphe_Halb->trigger();
    p.dm.ActionKreuz->trigger();
    WaitForPictureBufferReserve(); // the spare pair prepared after the load

    const QString bl = WriteBusy(p.dir, "b_L.bmp", 7), br = WriteBusy(p.dir, "b_R.bmp", 11);
    const size_t freshBefore = PictureBufferStatistics().FreshBytes;
    p.dm.LoadStereoPair(bl, br, 0);
    EXPECT_EQ(PictureBufferStatistics().FreshBytes, freshBefore); // nothing mapped anew

    // What a program that never reused anything shows for the second pair.
    TPictureSet fresh;
    SetPictureBufferLimit(0);
    ASSERT_TRUE(LoadStereoPicture(fresh.SourceLeft, fresh.SourceRight, bl, slSeparate, br));
    MakeWhiteMasks(fresh);
    TViewActionState cross;
    ComposePair(fresh, *PolygonListe(), *p.dm.Settings, ViewComposeOptions(cross, *p.dm.Settings));
    EXPECT_TRUE(SameRows(p.dm.ViewLeftHalf.Image, fresh.ViewLeftHalf.Image));
    EXPECT_TRUE(SameRows(p.dm.ViewRightHalf.Image, fresh.ViewRightHalf.Image));
    ReleasePictureLocks();
}

TEST(OpenPairMemory, InTheTransparentViewTheMasksMemoryTakesTheNextPair)
{
    TQuietPool quiet;
    TFreshProgram p;
    WithoutWindowCheck(p.dm);
    for (int i = 0; i < 4; ++i)
        PolygonListe()->AddNode(i == 1 || i == 2 ? 1200 : 300, i < 2 ? 200 : 800, i);
    p.dm.LoadStereoPair(WriteBusy(p.dir, "a_L.bmp", 3), WriteBusy(p.dir, "a_R.bmp", 5), 0);
    p.dm.ActionTransparenteMaske->trigger();
    ASSERT_FALSE(p.dm.MaskLeft.Empty());
    WaitForPictureBufferReserve();
    // Sources, masks and views fill the limit: no spare pair is left, and the
    // new pair is read into the masks' memory.
    EXPECT_EQ(PictureBufferStatistics().InUseBytes, 6 * EyeCapacity());
    const size_t freshBefore = PictureBufferStatistics().FreshBytes;
    p.dm.LoadStereoPair(WriteBusy(p.dir, "c_L.bmp", 13), WriteBusy(p.dir, "c_R.bmp", 17), 0);
    EXPECT_EQ(PictureBufferStatistics().FreshBytes, freshBefore);
    EXPECT_FALSE(p.dm.MaskRight.Empty()); // painted again by the transparent view
    ReleasePictureLocks();
}

TEST(OpenPairMemory, MemoryPreparedForAPairThatIsNotOpenedIsGivenBack)
{
    TQuietPool quiet;
    TFreshProgram p;
    WithoutWindowCheck(p.dm);
    TDialogStub dialog;
    dialog.Install(p.dm);
    p.dm.ShowOpenStereoDialog = [] {
        // As the dialog does once it knows the chosen pair's size.
        KeepPictureBuffersFor(QSize(kW, kH), QSize(kW, kH), 2, 0);
        WaitForPictureBufferReserve();
        EXPECT_EQ(PictureBufferStatistics().IdleBytes, 4 * EyeCapacity());
        return false; // "Abbrechen"
    };
    p.dm.ActionOpenLinksRechtsExecute();
    // No pair is open, so nothing is kept.
    EXPECT_EQ(PictureBufferLimit(), size_t(0));
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, size_t(0));
    EXPECT_FALSE(p.dm.Busy);
}
