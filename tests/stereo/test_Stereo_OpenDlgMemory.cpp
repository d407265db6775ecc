// The open dialog with big pictures: its preview reads them no larger than
// it shows them (and again when it grows), and while the dialog is on
// screen the memory for opening the chosen pair is prepared.
#include "stereo/Stereo_OpenDlg.h"

#include "StereoTestPictures.h"

#include "stereo/PictureBuffers.h"
#include "stereo/StereoLoad.h"

#include <gtest/gtest.h>

#include "QuietPool.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

namespace {

QString SaveBmp(const QTemporaryDir& dir, const QString& name, int w, int h, QRgb colour)
{
    EXPECT_TRUE(Solid(w, h, colour).save(dir.filePath(name), "BMP"));
    return dir.filePath(name);
}


void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

TEST(OpenStereoPreviewSize, PicturesAreReadForTheAreaAndAgainWhenItGrows)
{
    TQuietPool quiet;
    QTemporaryDir dir;
    TFormOpenStereo dialog;
    dialog.SetLeftFileName(SaveBmp(dir, "l.bmp", 2400, 1600, qRgb(200, 0, 0)));
    dialog.SetRightFileName(SaveBmp(dir, "r.bmp", 2400, 1600, qRgb(0, 0, 200)));
    dialog.resize(420, 440);
    dialog.show();
    Settle();
    dialog.TimerStartPreview->stop();
    const QSize small = dialog.ImagePreview->contentsRect().size();
    dialog.TimerStartPreviewTimer();
    const int factor = PictureReductionFor(QSize(2400, 1600), small);
    EXPECT_GT(factor, 1);
    EXPECT_EQ(dialog.PreviewLeft.Image.size(), ReducedPictureSize(QSize(2400, 1600), factor));
    EXPECT_FALSE(dialog.ShownPreview().isNull());
    EXPECT_FALSE(dialog.TimerStartPreview->isActive());

    // Larger than the pictures read can show sharply: read again, after the
    // timer's delay.
    dialog.resize(1400, 1300);
    Settle();
    const QSize large = dialog.ImagePreview->contentsRect().size();
    ASSERT_GT(large.width(), small.width());
    EXPECT_TRUE(dialog.TimerStartPreview->isActive());
    dialog.TimerStartPreviewTimer();
    const int larger = PictureReductionFor(QSize(2400, 1600), large);
    EXPECT_LT(larger, factor);
    EXPECT_EQ(dialog.PreviewRight.Image.size(), ReducedPictureSize(QSize(2400, 1600), larger));
    // Shrinking needs nothing new.
    dialog.resize(420, 440);
    Settle();
    EXPECT_FALSE(dialog.TimerStartPreview->isActive());
    dialog.hide();
}

TEST(OpenStereoPreviewSize, TheShownDialogPreparesMemoryForThePairButThePresetHiddenOneDoesNot)
{
    TQuietPool quiet;
    QTemporaryDir dir;
    TFormOpenStereo dialog;
    const QString left = SaveBmp(dir, "l.bmp", 1500, 1000, qRgb(1, 2, 3));
    const QString right = SaveBmp(dir, "r.bmp", 1500, 1000, qRgb(4, 5, 6));
    // The controller presets the hidden dialog with every pair it loads.
    dialog.SetLeftFileName(left);
    dialog.SetRightFileName(right);
    WaitForPictureBufferReserve();
    EXPECT_EQ(PictureBufferLimit(), size_t(0));
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, size_t(0));

    dialog.show();
    Settle();
    WaitForPictureBufferReserve();
    const size_t eye = PictureBufferCapacity(1500 * 1000 * 4);
    EXPECT_EQ(PictureBufferLimit(), 6 * eye);
    EXPECT_EQ(PictureBufferStatistics().IdleBytes, 4 * eye); // the pair and its composed view
    dialog.hide();
}
