#include "history/Streams.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_VisibledAnfasser.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <memory>

TEST(Parallax, RightPictureIsShiftedByZ)
{
    TBezEndPkt node(100, 7);
    node.SetZ(12);
    EXPECT_EQ(node.GetX(0), 100);
    EXPECT_EQ(node.GetX(1), 112);
    EXPECT_EQ(node.GetY(), 7);
    EXPECT_EQ(node.GetZ(), 12);
}

TEST(HandleBoxes, SquareAndLopsidedFrameGrowWhenHot)
{
    TAnfasser p(0, 0);
    p.SetScreenPos(0, QPoint(50, 60));
    EXPECT_EQ(p.Square(0), QRect(QPoint(46, 56), QPoint(54, 64)));
    EXPECT_EQ(p.Frame(0), QRect(QPoint(44, 54), QPoint(54, 64)));
    p.SetHot(true);
    EXPECT_EQ(p.Square(0), QRect(QPoint(45, 55), QPoint(55, 65)));
    EXPECT_EQ(p.Frame(0), QRect(QPoint(43, 53), QPoint(55, 65)));
    p.SetHot(false);
    EXPECT_EQ(p.Square(0), QRect(QPoint(46, 56), QPoint(54, 64)));
}

TEST(HandleHits, BoundsCountAndTheLeftFlagReportsTheSide)
{
    TAnfasser p(0, 0);
    p.SetScreenPos(0, QPoint(50, 60));
    p.SetScreenPos(1, QPoint(150, 60));
    bool left = false;
    EXPECT_TRUE(p.HitTest(QPoint(54, 64), left));
    EXPECT_TRUE(left);
    EXPECT_TRUE(p.HitTest(QPoint(146, 56), left));
    EXPECT_FALSE(left);
    left = true;
    EXPECT_FALSE(p.HitTest(QPoint(55, 64), left));
    EXPECT_TRUE(left) << "a miss leaves the flag alone";
    // Both squares overlapping: the left one wins.
    p.SetScreenPos(1, QPoint(52, 60));
    left = false;
    EXPECT_TRUE(p.HitTest(QPoint(53, 60), left));
    EXPECT_TRUE(left);
}

TEST(HandleColours, DefaultsAndColourModes)
{
    TBezEndPkt node(0, 0);
    EXPECT_EQ(node.SelectedFill(1), 0x000000A0u);
    EXPECT_EQ(node.NormalFill(0), 0x00008000u);
    EXPECT_EQ(node.FramePen(0), 0x00FFFFFFu);
    EXPECT_EQ(node.Outgoing()->CornerFill(2), 0x00FFFF40u);
    EXPECT_EQ(node.Outgoing()->NormalFill(0), 0x00FF0000u);
    EXPECT_EQ(node.Incoming()->OutlinePen(2), 0x00808000u);
    const TColorTriple t = {1, 2, 3};
    EXPECT_EQ(ColorOfSide(t, 1, cmNormal), 1u);
    EXPECT_EQ(ColorOfSide(t, 0, cmTwoColor), 3u);
    EXPECT_EQ(ColorOfSide(t, 1, cmTwoColor), 2u);
    EXPECT_EQ(ColorOfSide(t, 0, 7), 0u);
}

TEST(HandleRegistries, HidingDeselectsAndLeavesTheRegistry)
{
    TProgramObjects objects;
    TBezEndPkt* node = PolygonListe()->AddNode(5, 5, 0);
    EXPECT_EQ(VisibleAnfasser()->IndexOf(node), 0);
    node->SetSelected(true);
    EXPECT_EQ(SelectListe()->Reference(), node);
    node->SetVisible(false);
    EXPECT_FALSE(node->Selected());
    EXPECT_EQ(SelectListe()->Count(), 0);
    EXPECT_EQ(VisibleAnfasser()->IndexOf(node), -1);
}

TEST(HandleRegistries, PointsOutlivingTheProgramObjectsDieQuietly)
{
    auto loose = std::make_unique<TBezEndPkt>(1, 1);
    {
        TProgramObjects objects;
        loose->SetVisible(true);
        loose->SetSelected(true);
        TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
        TBezEndPkt* b = PolygonListe()->AddNode(30, 0, 1);
        a->SetSegmentType(stCurve, b);
        a->SetSelected(true);
        a->Outgoing()->SetSelected(true);
    }
    EXPECT_EQ(PolygonListe(), nullptr);
    loose.reset();
}

TEST(HandleStreams, BothAspectsRoundTripAndCheckTheirMarker)
{
    TAnfasser p(11, -22);
    p.SetZ(33);
    p.SetCurve(1);
    TMemoryStream s;
    p.WriteToStream(0, s);
    p.WriteToStream(1, s);
    s.Rewind();
    TAnfasser q(0, 0);
    q.ReadFromStream(0, s);
    q.ReadFromStream(1, s);
    EXPECT_EQ(QPoint(q.X(), q.Y()), QPoint(11, -22));
    EXPECT_EQ(q.Z(), 33);
    EXPECT_EQ(q.Curve(), 1);

    TMemoryStream bad;
    WriteInteger(bad, 1);
    WriteInteger(bad, 2);
    WriteInteger(bad, 3);
    WriteRawString(bad, "-EOP-");
    bad.Rewind();
    try {
        q.ReadFromStream(0, bad);
        FAIL() << "a wrong marker must raise";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("End of Data TAnfasser nicht gefunden!"));
    }
    TMemoryStream truncated(s.Data().left(10));
    EXPECT_THROW(q.ReadFromStream(0, truncated), ERangeError);
}

namespace {

QRgb PixelAt(const QImage& image, int x, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] | 0xFF000000u;
}

} // namespace

TEST(HandleDrawing, SquaresForNodesCirclesForControlPointsNothingWhenHidden)
{
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* b = PolygonListe()->AddNode(30, 0, 1);
    a->SetSegmentType(stCurve, b);
    a->SetScreenPos(0, QPoint(20, 20));
    a->SetScreenPos(1, QPoint(60, 20));
    a->Outgoing()->SetScreenPos(0, QPoint(20, 50));
    a->Outgoing()->SetScreenPos(1, QPoint(60, 50));
    b->SetScreenPos(0, QPoint(90, 90));
    b->SetVisible(false);
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        a->DrawBoth(p, cmNormal);
        b->DrawBoth(p, cmNormal);
    }
    EXPECT_EQ(PixelAt(image, 20, 20), qRgb(0, 0x80, 0)) << "node: NormalFill";
    EXPECT_EQ(PixelAt(image, 16, 16), qRgb(0, 0, 0)) << "square corner: OutlinePen";
    EXPECT_EQ(PixelAt(image, 20, 50), qRgb(0, 0xFF, 0x40)) << "corner-kind handle";
    EXPECT_EQ(PixelAt(image, 16, 46), qRgb(255, 255, 255)) << "circles leave corners free";
    EXPECT_EQ(PixelAt(image, 90, 90), qRgb(255, 255, 255)) << "hidden points draw nothing";

    a->SetSelected(true);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        a->DrawSide(p, 1, cmTwoColor);
    }
    EXPECT_EQ(PixelAt(image, 60, 20), qRgb(0xA0, 0, 0)) << "selected, right side of two colours";
    EXPECT_EQ(PixelAt(image, 20, 20), qRgb(255, 255, 255));
}
