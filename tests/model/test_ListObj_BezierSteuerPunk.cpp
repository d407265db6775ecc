#include "history/Streams.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

namespace {

void ExpectRel(const TBezSteuerPkt& c, float x, float y, float d)
{
    EXPECT_NEAR(c.RelX(), x, 1e-4);
    EXPECT_NEAR(c.RelY(), y, 1e-4);
    EXPECT_NEAR(c.RelD(), d, 1e-4);
}

} // namespace

TEST(ControlPointParallax, DepthUnitsBecomePixelsAfterRounding)
{
    TBezEndPkt node(100, 50);
    node.SetZ(12);
    TBezSteuerPkt& c = *node.Outgoing();
    c.SetRelXYF(10.0f, -3.0f);
    c.SetRelD(40);
    EXPECT_EQ(c.GetX(0), 110);
    EXPECT_EQ(c.GetX(1), 133); // 112 + 10 + nearest(10.8)
    EXPECT_EQ(c.GetY(), 47);
    EXPECT_EQ(c.GetZ(), 52);
    c.SetRelXYF(2.5f, 3.5f);
    EXPECT_EQ(c.GetRel(), QPoint(2, 4));
    EXPECT_EQ(node.Outgoing()->Partner(), node.Incoming());
    EXPECT_EQ(node.Incoming()->Partner(), node.Outgoing());
}

TEST(ControlPointTransforms, QuarterTurnAboutZ)
{
    TBezEndPkt node(100, 100);
    TBezSteuerPkt& c = *node.Outgoing();
    c.SetRelXYF(10.0f, 0.0f);
    // The mouse turns a quarter clockwise on screen around the node.
    ASSERT_TRUE(c.ComputeTransform(QPoint(110, 100), QPoint(100, 110), 0, tmRotateZ));
    c.ApplyTransform(c.Rotation(), c.Scale());
    ExpectRel(c, 0.0f, 10.0f, 0.0f);
    EXPECT_FALSE(c.Busy());
}

TEST(ControlPointTransforms, QuarterTurnsAboutXAndY)
{
    TBezEndPkt node(100, 100);
    TBezSteuerPkt& c = *node.Outgoing();
    c.SetRelXYF(0.0f, 10.0f);
    ASSERT_TRUE(c.ComputeTransform(QPoint(110, 100), QPoint(100, 110), 0, tmRotateX));
    c.ApplyTransform(c.Rotation(), c.Scale());
    ExpectRel(c, 0.0f, 0.0f, -10.0f);

    c.SetRelXYF(10.0f, 0.0f);
    c.SetRelDF(0.0f);
    ASSERT_TRUE(c.ComputeTransform(QPoint(110, 100), QPoint(100, 110), 0, tmRotateY));
    c.ApplyTransform(c.Rotation(), c.Scale());
    ExpectRel(c, 0.0f, 0.0f, 10.0f);
}

TEST(ControlPointTransforms, DistanceStretchesTheWholeVector)
{
    TBezEndPkt node(100, 100);
    node.SetZ(20);
    TBezSteuerPkt& c = *node.Outgoing();
    c.SetRelXYF(6.0f, 8.0f);
    // On the right picture the node stands at x = 120.
    ASSERT_TRUE(c.ComputeTransform(QPoint(130, 100), QPoint(135, 100), 1, tmDistance));
    c.ApplyTransform(c.Rotation(), c.Scale());
    ExpectRel(c, 9.0f, 12.0f, 0.0f);
}

TEST(ControlPointTransforms, NoTransformForZeroLengthOrShrinkingThroughTheNode)
{
    TBezEndPkt node(100, 100);
    TBezSteuerPkt& c = *node.Outgoing();
    EXPECT_FALSE(c.ComputeTransform(QPoint(110, 100), QPoint(120, 100), 0, tmDistance));
    c.SetRelXYF(6.0f, 8.0f);
    EXPECT_FALSE(c.ComputeTransform(QPoint(110, 100), QPoint(100, 100), 0, tmDistance));
    EXPECT_FALSE(c.ComputeTransform(QPoint(110, 100), QPoint(100, 110), 0, 9));
    ExpectRel(c, 6.0f, 8.0f, 0.0f);
}

TEST(ControlPointTransforms, PartnerFollowsByKindAndMode)
{
    TProgramObjects objects;
    TBezEndPkt* n = PolygonListe()->AddNode(0, 0, 0);
    PolygonListe()->AddNode(10, 0, 1);
    const TBezSteuerPkt* c = n->Outgoing();
    EXPECT_FALSE(c->PartnerFollows(tmRotateZ));
    n->SetKind(nkGlatt);
    EXPECT_TRUE(c->PartnerFollows(tmRotateX));
    EXPECT_FALSE(c->PartnerFollows(tmDistance)) << "Glatt keeps its own lengths";
    n->SetKind(nkSymmetrisch);
    EXPECT_TRUE(c->PartnerFollows(tmDistance));
    EXPECT_TRUE(c->PartnerFollows(tmRotateY));
}

TEST(ControlPointStreams, StateCarriesFloatsSelectionAndReferenceMark)
{
    QByteArray bytes;
    {
        TProgramObjects objects;
        TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
        TBezEndPkt* b = PolygonListe()->AddNode(30, 0, 1);
        a->SetSegmentType(stCurve, b);
        a->Outgoing()->SetRelXYF(1.25f, -2.5f);
        a->Outgoing()->SetRelDF(3.75f);
        b->Incoming()->SetSelected(true);
        a->Outgoing()->SetSelected(true);
        SelectStrPktListe()->MakeReference(a->Outgoing());
        TMemoryStream s;
        a->Outgoing()->WriteToStream(1, s);
        bytes = s.Data();
    }
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* b = PolygonListe()->AddNode(30, 0, 1);
    a->SetSegmentType(stCurve, b);
    b->Incoming()->SetSelected(true);
    TMemoryStream s(bytes);
    a->Outgoing()->ReadFromStream(1, s);
    ExpectRel(*a->Outgoing(), 1.25f, -2.5f, 3.75f);
    EXPECT_TRUE(a->Outgoing()->Selected());
    EXPECT_EQ(SelectStrPktListe()->Reference(), a->Outgoing());
    EXPECT_EQ(SelectStrPktListe()->Count(), 2);
}
