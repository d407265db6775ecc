#include "stereo/Compose.h"

#include "StereoTestPictures.h"

#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"

#include <gtest/gtest.h>

namespace {

const QRgb kCover = qRgb(0x22, 0x22, 0x22), kLeft = qRgb(200, 100, 50), kRight = qRgb(20, 40, 60);
const QRgb kWhiteRgb = qRgb(255, 255, 255);

// A pair of solid pictures with white masks and the outline of the program objects.
struct ComposeFixture {
    TProgramObjects objects;
    TPolygonListe& outline = *objects.PolygonListe;
    TDesktopData settings;
    TPictureSet pictures;

    ComposeFixture(QRgb leftColour = kLeft, QRgb rightColour = kRight, int w = 400, int h = 300)
    {
        settings.FileMaskForColor = 0x00FFFFFF;
        settings.FileMaskBackColor = 0x00000000;
        settings.FileMaskPictColor = 0x00222222;
        settings.DecorUse = 0;
        settings.DecorView = 0;
        pictures.SourceLeft.Image = Solid(w, h, leftColour);
        pictures.SourceRight.Image = Solid(w, h, rightColour);
        MakeWhiteMasks(pictures);
    }
    // A rectangle from (100, 100) to (300, 200).
    void Rectangle()
    {
        for (int i = 0; i < 4; ++i)
            outline.AddNode(i == 1 || i == 2 ? 300 : 100, i < 2 ? 100 : 200, i);
    }
    void Compose(const TComposeOptions& o) { ComposePair(pictures, outline, settings, o); }
    const QImage& Left() const { return pictures.ViewLeftHalf.Image; }
    const QImage& Right() const { return pictures.ViewRightHalf.Image; }
};

} // namespace

TEST(ComposeTransparent, CoverTintsOutsideByBitwiseAndInsideShowsThePicture)
{
    ComposeFixture f(qRgb(0xF0, 0x0F, 0xAA), qRgb(0, 0, 0));
    f.Rectangle();
    f.settings.DeskTransColor = 0x00F0F00F; // red 0x0F, green 0xF0, blue 0xF0
    TViewActionState state;
    state.TransparentMask = true;
    state.Parallel = true;
    state.Cross = false;
    f.Compose(ViewComposeOptions(state, f.settings));
    ASSERT_EQ(f.Left().size(), QSize(400, 300));
    const QRgb tinted = qRgb(0xF0 & 0x0F, 0x0F & 0xF0, 0xAA & 0xF0), picture = qRgb(0xF0, 0x0F, 0xAA);
    EXPECT_TRUE(PixelsAre(f.Left(), {{50, 50, tinted}, {399, 299, tinted}, {200, 150, picture}, {102, 102, picture}}));
    EXPECT_TRUE(PixelsAre(f.Right(), {{10, 10, qRgb(0, 0, 0)}, {200, 150, qRgb(0, 0, 0)}}));
    EXPECT_TRUE(f.pictures.ViewAnaglyph.Image.isNull());
    // The mask itself now holds the overlay.
    EXPECT_TRUE(PixelsAre(f.pictures.MaskLeft.Image, {{50, 50, qRgb(0x0F, 0xF0, 0xF0)}, {200, 150, kWhiteRgb}}));
}

TEST(ComposeOpaque, PictureInsideCoverOutsideEachSideWithItsOwnParallax)
{
    ComposeFixture f;
    f.Rectangle();
    for (int i = 0; i < f.outline.Count(); ++i)
        f.outline.Items(i)->SetZ(50); // right outline 50 pixels further right
    f.Compose(MaskedStereoOptions(f.settings));
    EXPECT_TRUE(PixelsAre(f.Left(), {{50, 150, kCover}, {120, 150, kLeft}, {200, 150, kLeft}, {330, 150, kCover}}));
    EXPECT_TRUE(PixelsAre(f.Right(), {{120, 150, kCover}, {200, 150, kRight}, {330, 150, kRight}}));
    // The sources are untouched.
    EXPECT_TRUE(PixelsAre(f.pictures.SourceLeft.Image, {{50, 150, kLeft}}));
}

TEST(ComposeOpaque, DecorationBandsLieOutsideTheOutline)
{
    ComposeFixture f;
    f.Rectangle();
    f.settings.DecorUse = 1;
    f.settings.DecorDistance = 10;
    f.settings.DecorWidthInside = f.settings.DecorWidthMiddle = f.settings.DecorWidthOutside = 6;
    f.settings.DecorColorInside = 0x000000FF;
    f.settings.DecorColorMiddle = 0x0000FF00;
    f.settings.DecorColorOutside = 0x00FF0000;
    f.Compose(MaskedStereoOptions(f.settings));
    // Going left from the edge at x = 100: 10 cover, 6 inner, 6 middle, 6 outer.
    EXPECT_TRUE(PixelsAre(f.Left(), {{95, 150, kCover}, {87, 150, qRgb(255, 0, 0)}, {81, 150, qRgb(0, 255, 0)},
                                     {75, 150, qRgb(0, 0, 255)}, {60, 150, kCover}, {105, 150, kLeft}}));
}

TEST(ComposeOpaque, NonDrawableMaskMasksNothing)
{
    ComposeFixture f;
    f.outline.AddNode(100, 100, 0);
    f.outline.AddNode(300, 200, 1); // two nodes, straight: no area
    ASSERT_FALSE(f.outline.IsDrawable());
    f.Compose(MaskedStereoOptions(f.settings));
    EXPECT_EQ(f.Left(), f.pictures.SourceLeft.Image);
    EXPECT_EQ(f.Right(), f.pictures.SourceRight.Image);
    f.Compose(MaskPictureOptions(f.settings));
    EXPECT_EQ(f.Left(), Solid(400, 300, kWhiteRgb));
}

TEST(ComposeSaving, MaskPicturesAreForegroundInsideBackgroundOutside)
{
    ComposeFixture f;
    f.Rectangle();
    f.settings.FileMaskForColor = 0x00FF8000; // blue 0xFF, green 0x80
    f.Compose(MaskPictureOptions(f.settings));
    EXPECT_TRUE(PixelsAre(f.Left(), {{200, 150, qRgb(0, 0x80, 0xFF)}, {20, 20, qRgb(0, 0, 0)}}));
    EXPECT_EQ(f.Right().size(), QSize(400, 300));
}

TEST(ComposeLayout, CrossSwapsAndAnaglyphLeavesHalvesEmpty)
{
    ComposeFixture f;
    f.Rectangle();
    TComposeOptions o = MaskedStereoOptions(f.settings);
    o.Parallel = false;
    o.Cross = true;
    f.Compose(o);
    EXPECT_TRUE(PixelsAre(f.Left(), {{200, 150, kRight}}));
    EXPECT_TRUE(PixelsAre(f.Right(), {{200, 150, kLeft}}));
    o.Cross = false;
    f.pictures.DisplayMatrix = StereoMatrix::kRedCyanColor;
    f.Compose(o);
    EXPECT_TRUE(f.Left().isNull());
    EXPECT_TRUE(f.Right().isNull());
    ASSERT_EQ(f.pictures.ViewAnaglyph.Image.size(), QSize(400, 300));
    EXPECT_TRUE(PixelsAre(f.pictures.ViewAnaglyph.Image, {{200, 150, qRgb(200, 40, 60)}, {10, 10, kCover}}));
}

TEST(ComposeLayout, LargePairIsComposedOnBothSides)
{
    // Large enough for the two sides to run on separate threads.
    ComposeFixture f(qRgb(9, 8, 7), qRgb(6, 5, 4), 2100, 2000);
    f.Rectangle();
    f.Compose(MaskedStereoOptions(f.settings));
    EXPECT_TRUE(PixelsAre(f.Left(), {{200, 150, qRgb(9, 8, 7)}}));
    EXPECT_TRUE(PixelsAre(f.Right(), {{200, 150, qRgb(6, 5, 4)}, {1500, 900, kCover}}));
    TComposeOptions o = MaskedStereoOptions(f.settings);
    o.Transparent = true;
    o.CoverColor = 0x00000000;
    f.Compose(o);
    EXPECT_TRUE(PixelsAre(f.Left(), {{200, 150, qRgb(9, 8, 7)}, {2099, 1999, qRgb(0, 0, 0)}}));
}

TEST(ViewChoice, CoverAndFramesFollowActionStatesAndSettings)
{
    TDesktopData s;
    s.DeskTransColor = 1, s.DeskNoTransColor = 2, s.FileMaskPictColor = 3;
    // Cover: transparent colour, else the editing colour while a mask tool is
    // active, else the masked-picture colour. Frames: DecorUse and (DecorView
    // or no mask tool).
    const struct {
        bool transparent, newMask, maskEdit;
        quint8 use, view;
        TColor cover;
        bool frames;
    } cases[] = {
        {false, false, false, 0, 1, 3, false}, {false, false, false, 1, 0, 3, true},
        {false, true, false, 1, 0, 2, false},  {false, true, false, 1, 1, 2, true},
        {false, false, true, 1, 0, 2, false},  {true, false, true, 1, 1, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        TViewActionState state;
        state.TransparentMask = c.transparent, state.NewMask = c.newMask, state.MaskEdit = c.maskEdit;
        s.DecorUse = c.use, s.DecorView = c.view;
        const TComposeOptions o = ViewComposeOptions(state, s);
        EXPECT_EQ(o.CoverColor, c.cover);
        EXPECT_EQ(o.Decorate, c.frames);
        EXPECT_EQ(o.Transparent, c.transparent);
        EXPECT_EQ(o.FillColor, kWhite);
    }
    // Saving: masked pictures take frames with DecorUse alone, mask pictures never.
    s.DecorUse = 0, s.DecorView = 1;
    EXPECT_FALSE(MaskedStereoOptions(s).Decorate);
    s.DecorUse = 1, s.DecorView = 0;
    EXPECT_TRUE(MaskedStereoOptions(s).Decorate);
    EXPECT_FALSE(MaskPictureOptions(s).Decorate);
}
