#include "stereo/StereoConvert.h"

#include "StereoTestPictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

const QRgb kBlackRgb = qRgb(0, 0, 0), kWhiteRgb = qRgb(255, 255, 255);

} // namespace

TEST(CombineStereo, LayoutsPlaceTheViewsWithTheGapInTargetBrush)
{
    const QRgb L = qRgb(10, 20, 30), R = qRgb(40, 50, 60), G = qRgb(0x99, 0x66, 0x33), W = kWhiteRgb;
    const TColor brush = 0x00336699; // 0x00BBGGRR, the gap's G
    TBitmap left{Solid(100, 50, L)}, right{Solid(100, 50, R)};
    const struct {
        int layout;
        TColor brush;
        QSize size;
        std::vector<TPixel> pixels;
    } cases[] = {
        {slParallel, brush, {220, 50}, {{0, 0, L}, {99, 49, L}, {100, 25, G}, {119, 25, G}, {120, 0, R}, {219, 49, R}}},
        {slCross, brush, {220, 50}, {{0, 0, R}, {99, 49, R}, {100, 25, G}, {119, 25, G}, {120, 0, L}, {219, 49, L}}},
        // The right view on top.
        {slOverUnder, kWhite, {100, 120}, {{0, 0, R}, {99, 49, R}, {50, 50, W}, {50, 69, W}, {0, 70, L}, {99, 119, L}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        TBitmap target;
        target.Brush = c.brush;
        CombineStereoPicture(c.layout, akColor, left, right, target, 20);
        ASSERT_EQ(target.Image.size(), c.size);
        EXPECT_TRUE(PixelsAre(target.Image, c.pixels));
    }
}

TEST(CombineStereo, ShorterRightPictureLeavesBrushBelowIt)
{
    TBitmap left{Solid(10, 8, qRgb(1, 2, 3))}, right{Solid(6, 4, qRgb(4, 5, 6))}, target{QImage(), kBlack};
    CombineStereoPicture(slParallel, akColor, left, right, target, 2);
    ASSERT_EQ(target.Image.size(), QSize(18, 8));
    EXPECT_TRUE(PixelsAre(target.Image, {{12, 3, qRgb(4, 5, 6)}, {12, 4, kBlackRgb}, {11, 0, kBlackRgb}}));
}

TEST(CombineStereo, UnknownLayoutOrKindCopiesLeft)
{
    // A red-cyan mix of these would be (1, 9, 9).
    TBitmap left{Solid(30, 20, qRgb(1, 2, 3))}, right{Solid(30, 20, qRgb(9, 9, 9))}, target;
    CombineStereoPicture(9, akColor, left, right, target, 5);
    EXPECT_EQ(target.Image, left.Image);
    CombineStereoPicture(slRedCyan, 3, left, right, target, 5);
    EXPECT_EQ(target.Image, left.Image);
}

TEST(AnaglyphMix, EachLayoutAndKindTakesItsChannels)
{
    const QRgb red = qRgb(255, 0, 0), warm = qRgb(200, 50, 30), cool = qRgb(10, 20, 90);
    const struct {
        int layout, kind;
        QRgb left, right, mixed;
    } cases[] = {
        {slRedCyan, akColor, red, kWhiteRgb, kWhiteRgb},
        {slRedCyan, akColor, red, kBlackRgb, red},
        {slRedCyan, akGrey, kWhiteRgb, kWhiteRgb, kWhiteRgb}, // the grey of white is 255
        {slRedBlue, akColor, kWhiteRgb, kWhiteRgb, qRgb(255, 0, 255)},
        {slRedGreen, akColor, kWhiteRgb, kWhiteRgb, qRgb(255, 255, 0)},
        {slYellowBlue, akColor, warm, cool, qRgb(10, 20, 30)}, // blue from the left
        // Blue = round(0.299*200 + 0.587*50 + 0.114*30) = round(92.57) = 93.
        {slYellowBlue, akHalfTone, warm, cool, qRgb(10, 20, 93)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << " kind " << c.kind);
        TBitmap left{Solid(5, 3, c.left)}, right{Solid(5, 3, c.right)}, target;
        CombineStereoPicture(c.layout, c.kind, left, right, target, 0);
        EXPECT_TRUE(PixelsAre(target.Image, {{4, 2, c.mixed}}));
    }
}

TEST(AnaglyphMix, UnequalSizesMixOnlyTheSharedRegion)
{
    // 300 x 200 and 200 x 300 share the top-left 200 x 200.
    TBitmap first{Solid(300, 200, qRgb(100, 110, 120))}, second{Solid(200, 300, qRgb(0, 60, 70))};
    const QRgb mixed = qRgb(100, 60, 70);
    TBitmap target; // white brush, to prove the mix chooses black
    MixAnaglyphRedFirst(first, second, target, StereoMatrix::kRedCyanColor);
    ASSERT_EQ(target.Image.size(), QSize(300, 300));
    EXPECT_TRUE(PixelsAre(target.Image,
                          {{199, 199, mixed}, {250, 100, kBlackRgb}, {100, 250, kBlackRgb}, {299, 299, kBlackRgb}}));
    // Combining starts from the left picture, so its pixels stay beside the
    // shared region; the caller's brush survives.
    TBitmap combined;
    CombineStereoPicture(slRedCyan, akColor, first, second, combined, 0);
    ASSERT_EQ(combined.Image.size(), QSize(300, 300));
    EXPECT_TRUE(PixelsAre(combined.Image, {{150, 150, mixed}, {250, 199, qRgb(100, 110, 120)}, {250, 200, kBlackRgb},
                                           {100, 250, kBlackRgb}}));
    EXPECT_EQ(combined.Brush, kWhite);
}

TEST(ColorMatrix, TiesRoundToEvenAndLowByteIsKept)
{
    TBitmap src{Solid(2, 1, qRgb(1, 3, 200))}, one{Solid(1, 1, qRgb(1, 0, 0))}, dst;
    // 0.5*1 = 0.5 -> 0; 0.5*3 = 1.5 -> 2; 2*200 = 400 -> 400 & 255 = 144.
    ApplyColorMatrix(dst, src, TColorMatrix{0.5, 0, 0, 0, 0.5, 0, 0, 0, 2});
    EXPECT_TRUE(PixelsAre(dst.Image, {{1, 0, qRgb(0, 2, 144)}}));
    // A negative result keeps its two's-complement low byte: -1 -> 255.
    ApplyColorMatrix(dst, one, TColorMatrix{-1, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(PixelsAre(dst.Image, {{0, 0, qRgb(255, 0, 0)}}));
}

TEST(ColorMatrix, MatchesDoubleFormulaOnRandomPixels)
{
    std::mt19937 rng(7);
    TBitmap src{QImage(257, 63, QImage::Format_RGB32)}, dst;
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x)
            src.Image.setPixel(x, y, rng() | 0xFF000000u);
    const TColorMatrix m{0.299, 0.587, 0.114, 0.3, 0.3, 0.4, 0.2126, 0.7152, 0.0722};
    ApplyColorMatrix(dst, src, m);
    for (int y = 0; y < src.Height(); ++y)
        for (int x = 0; x < src.Width(); ++x) {
            const QRgb p = src.Image.pixel(x, y);
            const double r = qRed(p), g = qGreen(p), b = qBlue(p);
            auto row = [&](int i) { return int(std::nearbyint(m[i] * r + m[i + 1] * g + m[i + 2] * b)) & 0xFF; };
            ASSERT_EQ(dst.Image.pixel(x, y), qRgb(row(0), row(3), row(6))) << x << "," << y;
        }
}

TEST(ColorMatrix, GreyAndHalfToneRowsMatchTheDoubleFormulaForEveryColour)
{
    // Every one of the 2^24 colours once, so the integer shortcut for rows of
    // whole thousandths is checked against the double formula everywhere,
    // ties included.
    TBitmap all{QImage(4096, 4096, QImage::Format_RGB32)}, dst;
    for (int y = 0; y < 4096; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(all.Image.scanLine(y));
        for (int x = 0; x < 4096; ++x)
            line[x] = 0xFF000000u | (quint32(y) << 12) | quint32(x);
    }
    const TColorMatrix matrices[] = {StereoMatrix::kRedCyanGrey, StereoMatrix::kYellowBlueHalfTone,
                                     TColorMatrix{0.3, 0.3, 0.4, 0.5, 0.5, 0, 0, 0.001, 0.999}};
    for (const TColorMatrix& m : matrices) {
        ApplyColorMatrix(dst, all, m);
        long wrong = 0;
        for (int y = 0; y < 4096; ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(all.Image.constScanLine(y));
            const QRgb* out = reinterpret_cast<const QRgb*>(dst.Image.constScanLine(y));
            for (int x = 0; x < 4096; ++x) {
                const double r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
                auto row = [&](int i) {
                    double s = m[i] * r + m[i + 1] * g;
                    s += m[i + 2] * b;
                    return int(std::nearbyint(s)) & 0xFF;
                };
                wrong += out[x] != qRgb(row(0), row(3), row(6));
            }
        }
        EXPECT_EQ(wrong, 0) << m[0] << " " << m[3] << " " << m[6];
    }
}

TEST(BitmapFillAndSize, FillKeepsSizeAndSharedCopyEnlargingTakesBrush)
{
    TBitmap a{Solid(7, 3, qRgb(1, 2, 3))}, b = a;
    FillBitmapColor(b, 0x00FF0080);
    EXPECT_EQ(b.Image.size(), QSize(7, 3));
    EXPECT_TRUE(PixelsAre(b.Image, {{6, 2, qRgb(0x80, 0, 0xFF)}}));
    EXPECT_TRUE(PixelsAre(a.Image, {{6, 2, qRgb(1, 2, 3)}}));
    TBitmap small{Solid(2, 2, qRgb(9, 9, 9)), 0x000000FF};
    SetBitmapSize(small, 3, 4);
    EXPECT_TRUE(PixelsAre(small.Image, {{1, 1, qRgb(9, 9, 9)}, {2, 0, qRgb(255, 0, 0)}, {0, 3, qRgb(255, 0, 0)}}));
}

TEST(FitRectTest, LargestFitIsCentredAndItsSizeRoundsToNearestHalvesToEven)
{
    struct TRow {
        QRect area, source, expected;
        const char* why;
    };
    const TRow rows[] = {
        {{0, 0, 100, 100}, {0, 0, 200, 100}, {0, 25, 100, 50}, "wide: centred vertically"},
        {{10, 20, 100, 100}, {0, 0, 100, 200}, {35, 20, 50, 100}, "tall: centred horizontally"},
        {{0, 0, 5, 5}, {0, 0, 3, 2}, {0, 1, 5, 3}, "height 3.33 -> 3, top (5 - 3) div 2"},
        {{0, 0, 7, 7}, {0, 0, 3, 2}, {0, 1, 7, 5}, "height 4.67 -> 5, top (7 - 5) div 2"},
        {{0, 0, 7, 7}, {0, 0, 2, 3}, {1, 0, 5, 7}, "width 4.67 -> 5"},
        {{0, 0, 10, 10}, {0, 0, 4, 1}, {0, 4, 10, 2}, "height 2.5 -> 2, to even"},
        {{0, 0, 8, 8}, {0, 0, 16, 7}, {0, 2, 8, 4}, "height 3.5 -> 4, to even"},
        {{0, 0, 10, 10}, {0, 0, 1, 4}, {4, 0, 2, 10}, "width 2.5 -> 2"},
        {{0, 0, 8, 8}, {0, 0, 7, 16}, {2, 0, 4, 8}, "width 3.5 -> 4"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(FitRect(row.area, row.source), row.expected) << row.why;
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
    TBitmap a{big, kWhite}, b{copy, kWhite}, mixed;
    MixAnaglyphRedFirst(a, b, mixed, StereoMatrix::kRedCyanGrey);
    EXPECT_EQ(mixed.Image.pixel(5, 5), qRgb(2, 9, 9)); // round(0.299 + 1.174 + 0.342) = 2
    EXPECT_TRUE(NewRgb32(0, 5).isNull());
}
