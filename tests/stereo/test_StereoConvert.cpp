#include "stereo/StereoConvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TBitmap Solid(int w, int h, QRgb pixel)
{
    TBitmap b;
    b.Image = QImage(w, h, QImage::Format_RGB32);
    b.Image.fill(pixel);
    return b;
}

QRgb At(const TBitmap& b, int x, int y) { return b.Image.pixel(x, y) | 0xFF000000u; }

// Distinguishable pixels: each one encodes its position.
TBitmap Gradient(int w, int h, int salt)
{
    TBitmap b;
    b.Image = QImage(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Image.setPixel(x, y, qRgb((x + salt) & 0xFF, y & 0xFF, (x * 7 + y * 3 + salt) & 0xFF));
    return b;
}

} // namespace

TEST(CombineStereo, LayoutsOneToThreePlaceTheViews)
{
    TBitmap left = Solid(400, 300, qRgb(200, 0, 0));
    TBitmap right = Solid(400, 300, qRgb(0, 0, 200));
    TBitmap target;
    CombineStereoPicture(slParallel, akColor, left, right, target, 0);
    ASSERT_EQ(target.Image.size(), QSize(800, 300));
    EXPECT_EQ(At(target, 0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(At(target, 399, 299), qRgb(200, 0, 0));
    EXPECT_EQ(At(target, 400, 0), qRgb(0, 0, 200));
    CombineStereoPicture(slCross, akColor, left, right, target, 0);
    ASSERT_EQ(target.Image.size(), QSize(800, 300));
    EXPECT_EQ(At(target, 399, 10), qRgb(0, 0, 200));
    EXPECT_EQ(At(target, 400, 10), qRgb(200, 0, 0));
    CombineStereoPicture(slOverUnder, akColor, left, right, target, 0);
    ASSERT_EQ(target.Image.size(), QSize(400, 600));
    EXPECT_EQ(At(target, 5, 299), qRgb(0, 0, 200));
    EXPECT_EQ(At(target, 5, 300), qRgb(200, 0, 0));
}

TEST(CombineStereo, GapTakesTargetBrushInEverySideBySideLayout)
{
    TBitmap left = Solid(100, 50, qRgb(10, 20, 30));
    TBitmap right = Solid(100, 50, qRgb(40, 50, 60));
    for (int layout : {slParallel, slCross}) {
        TBitmap target;
        target.Brush = 0x00336699; // 0x00BBGGRR
        CombineStereoPicture(layout, akColor, left, right, target, 20);
        ASSERT_EQ(target.Image.size(), QSize(220, 50));
        for (int x = 100; x < 120; ++x)
            EXPECT_EQ(At(target, x, 25), qRgb(0x99, 0x66, 0x33)) << layout << " x " << x;
        EXPECT_EQ(At(target, 120, 0), layout == slParallel ? qRgb(40, 50, 60) : qRgb(10, 20, 30));
    }
    TBitmap target;
    CombineStereoPicture(slOverUnder, akColor, left, right, target, 20);
    ASSERT_EQ(target.Image.size(), QSize(100, 120));
    EXPECT_EQ(At(target, 50, 60), qRgb(255, 255, 255)); // default brush is white
    EXPECT_EQ(At(target, 50, 70), qRgb(10, 20, 30));
}

TEST(CombineStereo, ShorterRightPictureLeavesBrushBelowIt)
{
    TBitmap left = Solid(10, 8, qRgb(1, 2, 3));
    TBitmap right = Solid(6, 4, qRgb(4, 5, 6));
    TBitmap target;
    target.Brush = kBlack;
    CombineStereoPicture(slParallel, akColor, left, right, target, 2);
    ASSERT_EQ(target.Image.size(), QSize(18, 8));
    EXPECT_EQ(At(target, 12, 3), qRgb(4, 5, 6));
    EXPECT_EQ(At(target, 12, 4), qRgb(0, 0, 0));
    EXPECT_EQ(At(target, 11, 0), qRgb(0, 0, 0));
}

TEST(CombineStereo, UnknownLayoutOrKindCopiesLeft)
{
    TBitmap left = Gradient(30, 20, 1);
    TBitmap right = Solid(30, 20, qRgb(9, 9, 9));
    TBitmap target;
    CombineStereoPicture(9, akColor, left, right, target, 5);
    EXPECT_EQ(target.Image, left.Image);
    CombineStereoPicture(slRedCyan, 3, left, right, target, 5);
    EXPECT_EQ(target.Image, left.Image);
}

TEST(AnaglyphMix, RedCyanOfRedAndWhiteIsWhite)
{
    TBitmap red = Solid(20, 10, qRgb(255, 0, 0));
    TBitmap white = Solid(20, 10, qRgb(255, 255, 255));
    TBitmap black = Solid(20, 10, qRgb(0, 0, 0));
    TBitmap target;
    CombineStereoPicture(slRedCyan, akColor, red, white, target, 0);
    EXPECT_EQ(At(target, 7, 3), qRgb(255, 255, 255));
    CombineStereoPicture(slRedCyan, akColor, red, black, target, 0);
    EXPECT_EQ(At(target, 7, 3), qRgb(255, 0, 0));
}

TEST(AnaglyphMix, UnequalSizesIntoEmptyTargetAreBlackOutsideSharedRegion)
{
    TBitmap first = Solid(300, 200, qRgb(100, 0, 0));
    TBitmap second = Solid(200, 300, qRgb(0, 60, 70));
    TBitmap target; // white brush, to prove the mix chooses black
    MixAnaglyphRedFirst(first, second, target, StereoMatrix::kRedCyanColor);
    ASSERT_EQ(target.Image.size(), QSize(300, 300));
    EXPECT_EQ(At(target, 199, 199), qRgb(100, 60, 70));
    EXPECT_EQ(At(target, 250, 100), qRgb(0, 0, 0));
    EXPECT_EQ(At(target, 100, 250), qRgb(0, 0, 0));
    EXPECT_EQ(At(target, 299, 299), qRgb(0, 0, 0));
}

TEST(AnaglyphMix, CombineKeepsLeftPixelsBesideSharedRegion)
{
    TBitmap left = Solid(300, 200, qRgb(100, 110, 120));
    TBitmap right = Solid(200, 300, qRgb(0, 60, 70));
    TBitmap target;
    CombineStereoPicture(slRedCyan, akColor, left, right, target, 0);
    ASSERT_EQ(target.Image.size(), QSize(300, 300));
    EXPECT_EQ(At(target, 150, 150), qRgb(100, 60, 70));
    EXPECT_EQ(At(target, 250, 199), qRgb(100, 110, 120));
    EXPECT_EQ(At(target, 250, 200), qRgb(0, 0, 0));
    EXPECT_EQ(At(target, 100, 250), qRgb(0, 0, 0));
    EXPECT_EQ(target.Brush, kWhite); // the caller's brush survives
}

TEST(AnaglyphMix, GreyOfWhiteIs255)
{
    TBitmap white = Solid(4, 4, qRgb(255, 255, 255));
    TBitmap target;
    CombineStereoPicture(slRedCyan, akGrey, white, white, target, 0);
    EXPECT_EQ(At(target, 1, 1), qRgb(255, 255, 255));
    CombineStereoPicture(slRedBlue, akColor, white, white, target, 0);
    EXPECT_EQ(At(target, 1, 1), qRgb(255, 0, 255));
    CombineStereoPicture(slRedGreen, akColor, white, white, target, 0);
    EXPECT_EQ(At(target, 1, 1), qRgb(255, 255, 0));
}

TEST(AnaglyphMix, YellowBlueTakesBlueFromLeft)
{
    TBitmap left = Solid(3, 3, qRgb(200, 50, 30));
    TBitmap right = Solid(3, 3, qRgb(10, 20, 90));
    TBitmap target;
    CombineStereoPicture(slYellowBlue, akColor, left, right, target, 0);
    EXPECT_EQ(At(target, 0, 0), qRgb(10, 20, 30));
    // Half-tone: blue = round(0.299*200 + 0.587*50 + 0.114*30) = round(92.57) = 93.
    CombineStereoPicture(slYellowBlue, akHalfTone, left, right, target, 0);
    EXPECT_EQ(At(target, 0, 0), qRgb(10, 20, 93));
}

TEST(ColorMatrix, TiesRoundToEvenAndLowByteIsKept)
{
    TBitmap src = Solid(2, 1, qRgb(1, 3, 200));
    TBitmap dst;
    // 0.5*1 = 0.5 -> 0; 0.5*3 = 1.5 -> 2; 2*200 = 400 -> 400 & 255 = 144.
    ApplyColorMatrix(dst, src, TColorMatrix{0.5, 0, 0, 0, 0.5, 0, 0, 0, 2});
    EXPECT_EQ(At(dst, 1, 0), qRgb(0, 2, 144));
    // A negative result keeps its two's-complement low byte: -1 -> 255.
    TBitmap one = Solid(1, 1, qRgb(1, 0, 0));
    ApplyColorMatrix(dst, one, TColorMatrix{-1, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(At(dst, 0, 0), qRgb(255, 0, 0));
}

TEST(ColorMatrix, MatchesDoubleFormulaOnRandomPixels)
{
    std::mt19937 rng(7);
    TBitmap src;
    src.Image = QImage(257, 63, QImage::Format_RGB32);
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
            src.Image.setPixel(x, y, rng() | 0xFF000000u);
    const TColorMatrix m{0.299, 0.587, 0.114, 0.3, 0.3, 0.4, 0.2126, 0.7152, 0.0722};
    TBitmap dst;
    ApplyColorMatrix(dst, src, m);
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            const QRgb p = src.Image.pixel(x, y);
            const double r = qRed(p), g = qGreen(p), b = qBlue(p);
            auto row = [&](int i) { return int(std::nearbyint(m[i] * r + m[i + 1] * g + m[i + 2] * b)) & 0xFF; };
            ASSERT_EQ(At(dst, x, y), qRgb(row(0), row(3), row(6))) << x << "," << y;
        }
}

TEST(FillBitmap, FillsAtCurrentSizeAndLeavesSharedCopyAlone)
{
    TBitmap a = Solid(7, 3, qRgb(1, 2, 3));
    TBitmap b = a;
    FillBitmapColor(b, 0x00FF0080);
    EXPECT_EQ(b.Image.size(), QSize(7, 3));
    EXPECT_EQ(At(b, 6, 2), qRgb(0x80, 0, 0xFF));
    EXPECT_EQ(At(a, 6, 2), qRgb(1, 2, 3));
}

TEST(BitmapSize, EnlargingFillsNewAreaWithBrush)
{
    TBitmap b = Solid(2, 2, qRgb(9, 9, 9));
    b.Brush = 0x000000FF;
    SetBitmapSize(b, 3, 4);
    EXPECT_EQ(At(b, 1, 1), qRgb(9, 9, 9));
    EXPECT_EQ(At(b, 2, 0), qRgb(255, 0, 0));
    EXPECT_EQ(At(b, 0, 3), qRgb(255, 0, 0));
}

TEST(FitRectTest, WideSourceIsCentredVertically)
{
    EXPECT_EQ(FitRect(QRect(0, 0, 100, 100), QRect(0, 0, 200, 100)), QRect(0, 25, 100, 50));
    EXPECT_EQ(FitRect(QRect(10, 20, 100, 100), QRect(0, 0, 100, 200)), QRect(35, 20, 50, 100));
    // 3 x 2 into 5 x 5: scale 5/3, height 3.333 -> 3, top (5 - 3) div 2 = 1.
    EXPECT_EQ(FitRect(QRect(0, 0, 5, 5), QRect(0, 0, 3, 2)), QRect(0, 1, 5, 3));
    EXPECT_EQ(FitRect(QRect(0, 0, 5, 5), QRect(0, 0, 0, 2)).size(), QSize(0, 0));
}

TEST(LayoutName, WrapsAndFallsBack)
{
    EXPECT_EQ(StereoLayoutName(3), QString::fromUtf8("Stereobild KMQ (rechte Bild  oben)"));
    EXPECT_EQ(StereoLayoutName(7), QString::fromUtf8("Anaglyph - rot / grün"));
    EXPECT_EQ(StereoLayoutName(128 + 4), QString::fromUtf8("Anaglyph - rot / cyan"));
    EXPECT_EQ(StereoLayoutName(9), StereoLayoutName(0));
}

TEST(BitmapMemory, LargePicturesShareUntilWrittenLikeSmallOnes)
{
    // Large enough for the separately allocated picture memory.
    QImage big = NewRgb32(2100, 2000);
    big.fill(qRgb(1, 2, 3));
    QImage copy = big;
    EXPECT_FALSE(big.isDetached());
    copy.setPixel(5, 5, qRgb(9, 9, 9));
    EXPECT_EQ(big.pixel(5, 5), qRgb(1, 2, 3));
    EXPECT_EQ(copy.pixel(5, 5), qRgb(9, 9, 9));
    EXPECT_EQ(big.bytesPerLine(), 2100 * 4);
    TBitmap a{big, kWhite};
    TBitmap b{copy, kWhite};
    TBitmap mixed;
    MixAnaglyphRedFirst(a, b, mixed, StereoMatrix::kRedCyanGrey);
    EXPECT_EQ(mixed.Image.pixel(5, 5), qRgb(2, 9, 9)); // round(0.299 + 1.174 + 0.342) = 2
    EXPECT_EQ(NewRgb32(0, 5).isNull(), true);
}
