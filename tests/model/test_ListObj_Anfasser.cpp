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

namespace {

QRgb PixelAt(const QImage& image, int x, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x] | 0xFF000000u;
}

} // namespace

TEST(HandleBoxes, LopsidedFrameGrowsWhenHotAndBoundsHit)
{
    TAnfasser p(0, 0);
    p.SetScreenPos(0, QPoint(50, 60));
    p.SetScreenPos(1, QPoint(150, 60));
    EXPECT_EQ(p.Square(0), QRect(QPoint(46, 56), QPoint(54, 64)));
    EXPECT_EQ(p.Frame(0), QRect(QPoint(44, 54), QPoint(54, 64)));
    p.SetHot(true);
    EXPECT_EQ(p.Frame(1), QRect(QPoint(143, 53), QPoint(155, 65)));
    p.SetHot(false);
    bool left = false;
    EXPECT_TRUE(p.HitTest(QPoint(54, 64), left));
    EXPECT_TRUE(left);
    EXPECT_TRUE(p.HitTest(QPoint(146, 56), left));
    EXPECT_FALSE(left);
    left = true;
    EXPECT_FALSE(p.HitTest(QPoint(55, 64), left));
    EXPECT_TRUE(left) << "a miss leaves the flag alone";
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

TEST(HandleStreams, GeometryRoundTripsAndAWrongMarkerIsNamed)
{
    TAnfasser p(11, -22);
    p.SetZ(33);
    TMemoryStream s;
    p.WriteToStream(0, s);
    TAnfasser q(0, 0);
    TMemoryStream good(s.Data());
    q.ReadFromStream(0, good);
    EXPECT_EQ(QPoint(q.GetX(1), q.GetY()), QPoint(44, -22));
    TMemoryStream wrong(QByteArray(s.Data()).replace("-EOA-", "-EOP-"));
    try {
        q.ReadFromStream(0, wrong);
        FAIL() << "a wrong marker must raise";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("End of Data TAnfasser nicht gefunden!"));
    }
    TMemoryStream truncated(s.Data().left(10));
    EXPECT_THROW(q.ReadFromStream(0, truncated), ERangeError);
}

TEST(HandleDrawing, SquaresForNodesCirclesForControlPointsNothingWhenHidden)
{
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* b = PolygonListe()->AddNode(30, 0, 1);
    a->SetSegmentType(stCurve, b);
    a->SetScreenPos(0, QPoint(20, 20));
    a->Outgoing()->SetScreenPos(0, QPoint(20, 50));
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
    EXPECT_EQ(PixelAt(image, 20, 50), qRgb(0, 0xFF, 0x40)) << "handle of a corner node";
    EXPECT_EQ(PixelAt(image, 16, 46), qRgb(255, 255, 255)) << "circles leave corners free";
    EXPECT_EQ(PixelAt(image, 90, 90), qRgb(255, 255, 255)) << "hidden points draw nothing";
}
