#include "history/Streams.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

namespace {

// P(0,0) -> N(50,0) -> Q(30,40): the chord from N's previous to its next
// node points along (0.6, 0.8).
struct TRing {
    TProgramObjects objects;
    TBezEndPkt* p = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* n = PolygonListe()->AddNode(50, 0, 1);
    TBezEndPkt* q = PolygonListe()->AddNode(30, 40, 2);
    TBezSteuerPkt* in = n->Incoming();
    TBezSteuerPkt* out = n->Outgoing();
    void Handles(QPoint inRel, QPoint outRel, int outD)
    {
        in->SetRelXY(inRel);
        out->SetRelXY(outRel);
        out->SetRelD(outD);
    }
    void Expect(QPoint inRel, QPoint outRel, int inD) const
    {
        EXPECT_EQ(in->GetRel(), inRel);
        EXPECT_EQ(out->GetRel(), outRel);
        EXPECT_EQ(in->GetRelD(), inD);
    }
};

void ExpectRel(const TBezSteuerPkt& c, float x, float y, float d)
{
    EXPECT_NEAR(c.RelX(), x, 1e-4);
    EXPECT_NEAR(c.RelY(), y, 1e-4);
    EXPECT_NEAR(c.RelD(), d, 1e-4);
}

} // namespace

TEST(SegmentConversion, LineToCurvePutsHandlesAtThirdsInPixelsAndDepthUnitsAndBack)
{
    TRing r;
    r.q->SetPosXY(QPoint(80, 0)); // N -> Q runs 30 pixels to the right
    r.n->SetZ(27);                // 100 depth units; Q stands at 0
    std::vector<int> calls;
    r.n->SegmentChanged = [&](TBezEndPkt*, quint8 oldCurve, quint8 newCurve) {
        calls.push_back(oldCurve * 10 + newCurve);
    };
    r.n->SetSegmentType(stCurve, r.q);
    EXPECT_EQ(r.out->GetRel(), QPoint(10, 0));
    EXPECT_EQ(r.q->Incoming()->GetRel(), QPoint(-10, 0));
    EXPECT_EQ(r.out->GetRelD(), -33);
    EXPECT_EQ(r.q->Incoming()->GetRelD(), 33);
    EXPECT_TRUE(r.out->Visible()) << "a new curve shows its handles";
    EXPECT_TRUE(r.q->Incoming()->Visible());
    r.n->SetSegmentType(stLine, r.q);
    EXPECT_EQ(r.out->GetRel(), QPoint(0, 0));
    EXPECT_EQ(r.out->GetRelD(), 0);
    EXPECT_FALSE(r.out->Visible());
    EXPECT_EQ(calls, (std::vector<int>{1, 10}));
}

TEST(NodeKinds, CouplingAlignsHandlesWithTheChord)
{
    TRing r;
    r.Handles(QPoint(10, 0), QPoint(0, 20), 7);
    r.n->SetKind(nkSymmetrisch); // lengths 10 and 20 averaged, depth mirrored
    r.Expect(QPoint(-9, -12), QPoint(9, 12), -7);
    r.n->SetKind(nkSpitze);
    r.Handles(QPoint(10, 0), QPoint(0, 20), 8);
    r.n->SetKind(nkGlatt); // lengths kept, depth scaled by 10 / 20
    r.Expect(QPoint(-6, -8), QPoint(12, 16), -4);
    r.n->SetKind(nkSymmetrisch);
    r.Expect(QPoint(-9, -12), QPoint(9, 12), -8);
    r.n->SetKind(nkGlatt);
    EXPECT_EQ(r.out->GetRel(), QPoint(9, 12)) << "back to Glatt moves nothing";
    r.n->SetKind(nkSpitze);
    r.Handles(QPoint(10, 0), QPoint(0, 0), 5);
    r.in->SetRelD(3);
    r.n->SetKind(nkGlatt); // a zero-length outgoing handle gives no ratio
    r.Expect(QPoint(-6, -8), QPoint(0, 0), 3);
    TBezEndPkt stray(0, 0);
    EXPECT_THROW(stray.SetKind(nkGlatt), EPlenoptraError) << "not in the ring";
}

TEST(HandleCoupling, PartnerFollowsMovesAndDepthByKind)
{
    TRing r;
    r.n->SetKind(nkSymmetrisch);
    r.Handles(QPoint(6, 0), QPoint(5, 0), 4);
    r.out->MoveRel(QPoint(-5, -8));
    r.Expect(QPoint(0, 8), QPoint(0, -8), 0); // mirrored
    r.n->SetKind(nkGlatt);
    r.Handles(QPoint(6, 0), QPoint(5, 0), 4);
    r.out->MoveRel(QPoint(-5, -8));
    r.Expect(QPoint(0, 6), QPoint(0, -8), -3); // length kept; depth (4 + 0) / -8 * 6 - 0
    r.Handles(QPoint(-8, -4), QPoint(4, 2), 0);
    r.out->SetDepth(6);
    EXPECT_EQ(r.in->GetRelD(), -12); // (4 + 6) * -4 / 2 - (-8)
    r.out->SetRelXY(QPoint(4, 0));
    r.out->SetDepth(9);
    EXPECT_EQ(r.in->GetRelD(), -9);
    r.n->SetKind(nkSpitze);
    r.out->AddDepth(4); // 4 / 0.27 = 14.8 units
    EXPECT_EQ(r.out->GetRelD(), 24);
    EXPECT_EQ(r.in->GetRelD(), -9);
}

TEST(NodeSelection, ShowsOnlyHandlesOfCurves)
{
    TRing r;
    r.n->SetSegmentType(stCurve, r.q);
    r.out->SetVisible(false);
    r.n->SetSelected(true);
    EXPECT_TRUE(r.out->Visible());
    EXPECT_FALSE(r.in->Visible()) << "the arriving segment is a line";
    r.n->SetSelected(false);
    EXPECT_FALSE(r.out->Visible());
}

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
}

// The quarter turns about each axis are pinned through the mouse tools in
// test_MouseTools.cpp.
TEST(ControlPointTransforms, StretchesFromTheNodeInThePictureUnderTheMouseAndStopsShortOfIt)
{
    TBezEndPkt node(100, 100);
    TBezSteuerPkt& c = *node.Outgoing();
    EXPECT_FALSE(c.ComputeTransform(QPoint(130, 100), QPoint(135, 100), 1, tmDistance)) << "length 0";
    node.SetZ(20); // on the right picture the node stands at x = 120
    c.SetRelXYF(6.0f, 8.0f);
    ASSERT_TRUE(c.ComputeTransform(QPoint(130, 100), QPoint(135, 100), 1, tmDistance));
    c.ApplyTransform(c.Rotation(), c.Scale());
    ExpectRel(c, 9.0f, 12.0f, 0.0f);
    EXPECT_FALSE(c.ComputeTransform(QPoint(135, 100), QPoint(120, 100), 1, tmDistance));
    EXPECT_FALSE(c.ComputeTransform(QPoint(135, 100), QPoint(120, 110), 1, 9));
}
