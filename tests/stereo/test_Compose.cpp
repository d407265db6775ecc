#include "stereo/Compose.h"

#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"

#include <gtest/gtest.h>

namespace {

QImage Solid(int w, int h, QRgb pixel)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(pixel);
    return image;
}

// A 400 x 300 pair with a rectangular outline from (100, 100) to (300, 200).
struct ComposeFixture {
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    TDesktopData settings;
    TPictureSet pictures;

    ComposeFixture(QRgb leftColour = qRgb(200, 100, 50), QRgb rightColour = qRgb(20, 40, 60))
    {
        settings.DeskTransColor = 0x0004FF04;
        settings.DeskNoTransColor = 0x00000000;
        settings.FileMaskForColor = 0x00FFFFFF;
        settings.FileMaskBackColor = 0x00000000;
        settings.FileMaskPictColor = 0x00222222;
        settings.DecorUse = 0;
        settings.DecorView = 0;
        pictures.SourceLeft.Image = Solid(400, 300, leftColour);
        pictures.SourceRight.Image = Solid(400, 300, rightColour);
        MakeWhiteMasks(pictures);
    }
    void Rectangle()
    {
        outline.AddNode(100, 100, outline.Count());
        outline.AddNode(300, 100, outline.Count());
        outline.AddNode(300, 200, outline.Count());
        outline.AddNode(100, 200, outline.Count());
    }
    void Compose(const TComposeOptions& o) { ComposePair(pictures, outline, settings, o); }
};

TComposeOptions Parallel(TComposeOptions o)
{
    o.Parallel = true;
    o.Cross = false;
    return o;
}

} // namespace

TEST(ComposeTransparent, WhitePictureBecomesCoverOutsideAndStaysWhiteInside)
{
    ComposeFixture f(qRgb(255, 255, 255), qRgb(255, 255, 255));
    f.Rectangle();
    TViewActionState state;
    state.TransparentMask = true;
    state.Parallel = true;
    state.Cross = false;
    f.Compose(ViewComposeOptions(state, f.settings));
    const QImage& left = f.pictures.ViewLeftHalf.Image;
    ASSERT_EQ(left.size(), QSize(400, 300));
    EXPECT_EQ(left.pixel(50, 50), qRgb(4, 255, 4));
    EXPECT_EQ(left.pixel(399, 299), qRgb(4, 255, 4));
    EXPECT_EQ(left.pixel(200, 150), qRgb(255, 255, 255));
    EXPECT_EQ(left.pixel(102, 102), qRgb(255, 255, 255));
    EXPECT_TRUE(f.pictures.ViewAnaglyph.Image.isNull());
    // The mask itself now holds the overlay.
    EXPECT_EQ(f.pictures.MaskLeft.Image.pixel(50, 50), qRgb(4, 255, 4));
}

TEST(ComposeTransparent, CoverTintsByBitwiseAndAndBlackStaysBlack)
{
    ComposeFixture f(qRgb(0xF0, 0x0F, 0xAA), qRgb(0, 0, 0));
    f.Rectangle();
    TComposeOptions o;
    o.Transparent = true;
    o.CoverColor = 0x00F0F00F; // red 0x0F, green 0xF0, blue 0xF0
    f.Compose(Parallel(o));
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image.pixel(10, 10), qRgb(0xF0 & 0x0F, 0x0F & 0xF0, 0xAA & 0xF0));
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image.pixel(200, 150), qRgb(0xF0, 0x0F, 0xAA));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(10, 10), qRgb(0, 0, 0));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(200, 150), qRgb(0, 0, 0));
}

TEST(ComposeOpaque, PictureInsideCoverOutside)
{
    ComposeFixture f;
    f.Rectangle();
    f.Compose(MaskedStereoOptions(f.settings));
    const QImage& left = f.pictures.ViewLeftHalf.Image;
    EXPECT_EQ(left.pixel(50, 150), qRgb(0x22, 0x22, 0x22));
    EXPECT_EQ(left.pixel(200, 150), qRgb(200, 100, 50));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(200, 150), qRgb(20, 40, 60));
    // The sources are untouched.
    EXPECT_EQ(f.pictures.SourceLeft.Image.pixel(50, 150), qRgb(200, 100, 50));
}

TEST(ComposeOpaque, EachSideUsesItsOwnParallax)
{
    ComposeFixture f;
    f.Rectangle();
    for (int i = 0; i < f.outline.Count(); ++i)
        f.outline.Items(i)->SetZ(50); // right outline 50 pixels further right
    f.Compose(MaskedStereoOptions(f.settings));
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image.pixel(120, 150), qRgb(200, 100, 50));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(120, 150), qRgb(0x22, 0x22, 0x22));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(330, 150), qRgb(20, 40, 60));
}

TEST(ComposeOpaque, DecorationBandsLieOutsideTheOutline)
{
    ComposeFixture f;
    f.Rectangle();
    f.settings.DecorUse = 1;
    f.settings.DecorDistance = 10;
    f.settings.DecorWidthInside = 6;
    f.settings.DecorWidthMiddle = 6;
    f.settings.DecorWidthOutside = 6;
    f.settings.DecorColorInside = 0x000000FF;
    f.settings.DecorColorMiddle = 0x0000FF00;
    f.settings.DecorColorOutside = 0x00FF0000;
    f.Compose(MaskedStereoOptions(f.settings));
    const QImage& left = f.pictures.ViewLeftHalf.Image;
    // Going left from the edge at x = 100: 10 cover, 6 inner, 6 middle, 6 outer.
    EXPECT_EQ(left.pixel(95, 150), qRgb(0x22, 0x22, 0x22));
    EXPECT_EQ(left.pixel(87, 150), qRgb(255, 0, 0));
    EXPECT_EQ(left.pixel(81, 150), qRgb(0, 255, 0));
    EXPECT_EQ(left.pixel(75, 150), qRgb(0, 0, 255));
    EXPECT_EQ(left.pixel(60, 150), qRgb(0x22, 0x22, 0x22));
    EXPECT_EQ(left.pixel(105, 150), qRgb(200, 100, 50));
}

TEST(ComposeOpaque, NonDrawableMaskMasksNothing)
{
    ComposeFixture f;
    f.outline.AddNode(100, 100, 0);
    f.outline.AddNode(300, 200, 1); // two nodes, straight: no area
    ASSERT_FALSE(f.outline.IsDrawable());
    f.Compose(MaskedStereoOptions(f.settings));
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image, f.pictures.SourceLeft.Image);
    EXPECT_EQ(f.pictures.ViewRightHalf.Image, f.pictures.SourceRight.Image);
    f.Compose(MaskPictureOptions(f.settings));
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image, Solid(400, 300, qRgb(255, 255, 255)));
}

TEST(ComposeSaving, MaskPicturesAreForegroundInsideBackgroundOutside)
{
    ComposeFixture f;
    f.Rectangle();
    f.settings.FileMaskForColor = 0x00FF8000; // blue 0xFF, green 0x80
    f.Compose(MaskPictureOptions(f.settings));
    const QImage& left = f.pictures.ViewLeftHalf.Image;
    EXPECT_EQ(left.pixel(200, 150), qRgb(0, 0x80, 0xFF));
    EXPECT_EQ(left.pixel(20, 20), qRgb(0, 0, 0));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.size(), QSize(400, 300));
}

TEST(ComposeSaving, ParallelOutputWithGapTwentyIsWhiteBetween)
{
    ComposeFixture f;
    f.pictures.SourceLeft.Image = Solid(100, 50, qRgb(1, 2, 3));
    f.pictures.SourceRight.Image = Solid(100, 50, qRgb(4, 5, 6));
    MakeWhiteMasks(f.pictures);
    f.Compose(MaskedStereoOptions(f.settings));
    TBitmap output;
    CombineStereoPicture(slParallel, akColor, f.pictures.ViewLeftHalf, f.pictures.ViewRightHalf, output, 20);
    ASSERT_EQ(output.Image.size(), QSize(220, 50));
    for (int x = 100; x < 120; ++x)
        EXPECT_EQ(output.Image.pixel(x, 10), qRgb(255, 255, 255));
    EXPECT_EQ(output.Image.pixel(99, 10), qRgb(1, 2, 3));
    EXPECT_EQ(output.Image.pixel(120, 10), qRgb(4, 5, 6));
}

TEST(ComposeLayout, CrossSwapsAndAnaglyphLeavesHalvesEmpty)
{
    ComposeFixture f;
    f.Rectangle();
    TComposeOptions o = MaskedStereoOptions(f.settings);
    o.Parallel = false;
    o.Cross = true;
    f.Compose(o);
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image.pixel(200, 150), qRgb(20, 40, 60));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(200, 150), qRgb(200, 100, 50));
    o.Cross = false;
    f.pictures.DisplayMatrix = StereoMatrix::kRedCyanColor;
    f.Compose(o);
    EXPECT_TRUE(f.pictures.ViewLeftHalf.Image.isNull());
    EXPECT_TRUE(f.pictures.ViewRightHalf.Image.isNull());
    ASSERT_EQ(f.pictures.ViewAnaglyph.Image.size(), QSize(400, 300));
    EXPECT_EQ(f.pictures.ViewAnaglyph.Image.pixel(200, 150), qRgb(200, 40, 60));
    EXPECT_EQ(f.pictures.ViewAnaglyph.Image.pixel(10, 10), qRgb(0x22, 0x22, 0x22));
}

TEST(ComposeLayout, LargePairIsComposedOnBothSides)
{
    // Large enough for the two sides to run on separate threads.
    ComposeFixture f;
    f.pictures.SourceLeft.Image = Solid(2100, 2000, qRgb(9, 8, 7));
    f.pictures.SourceRight.Image = Solid(2100, 2000, qRgb(6, 5, 4));
    MakeWhiteMasks(f.pictures);
    f.Rectangle();
    f.Compose(MaskedStereoOptions(f.settings));
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image.pixel(200, 150), qRgb(9, 8, 7));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(200, 150), qRgb(6, 5, 4));
    EXPECT_EQ(f.pictures.ViewRightHalf.Image.pixel(1500, 900), qRgb(0x22, 0x22, 0x22));
    TComposeOptions o = MaskedStereoOptions(f.settings);
    o.Transparent = true;
    o.CoverColor = 0x00000000;
    f.Compose(o);
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image.pixel(200, 150), qRgb(9, 8, 7));
    EXPECT_EQ(f.pictures.ViewLeftHalf.Image.pixel(2099, 1999), qRgb(0, 0, 0));
}

TEST(ViewChoice, CoverColourFollowsActionStates)
{
    TDesktopData s;
    s.DeskTransColor = 1;
    s.DeskNoTransColor = 2;
    s.FileMaskPictColor = 3;
    TViewActionState state;
    EXPECT_EQ(ViewComposeOptions(state, s).CoverColor, 3u);
    state.MaskEdit = true;
    EXPECT_EQ(ViewComposeOptions(state, s).CoverColor, 2u);
    state.TransparentMask = true;
    EXPECT_EQ(ViewComposeOptions(state, s).CoverColor, 1u);
    EXPECT_TRUE(ViewComposeOptions(state, s).Transparent);
    EXPECT_EQ(ViewComposeOptions(state, s).FillColor, kWhite);
}

TEST(ViewChoice, FramesNeedDecorUseAndViewOrNoMaskTool)
{
    TDesktopData s;
    s.DecorUse = 0;
    s.DecorView = 1;
    TViewActionState state;
    EXPECT_FALSE(ViewComposeOptions(state, s).Decorate);
    EXPECT_FALSE(MaskedStereoOptions(s).Decorate);
    s.DecorUse = 1;
    s.DecorView = 0;
    EXPECT_TRUE(ViewComposeOptions(state, s).Decorate);
    state.NewMask = true;
    EXPECT_FALSE(ViewComposeOptions(state, s).Decorate);
    s.DecorView = 1;
    EXPECT_TRUE(ViewComposeOptions(state, s).Decorate);
    EXPECT_TRUE(MaskedStereoOptions(s).Decorate);
    EXPECT_FALSE(MaskPictureOptions(s).Decorate);
}
