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
    void Handles(QPoint in, QPoint out, int outD)
    {
        n->Incoming()->SetRelXY(in);
        n->Outgoing()->SetRelXY(out);
        n->Outgoing()->SetRelD(outD);
    }
};

} // namespace

TEST(SegmentConversion, LineToCurvePutsHandlesAtThirdsAndBack)
{
    TRing r;
    r.q->SetPosXY(QPoint(80, 0)); // N -> Q runs 30 pixels to the right
    std::vector<int> calls;
    r.n->SegmentChanged = [&](TBezEndPkt*, quint8 oldCurve, quint8 newCurve) {
        calls.push_back(oldCurve * 10 + newCurve);
    };
    r.n->SetSegmentType(stCurve, r.q);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(10, 0));
    EXPECT_EQ(r.q->Incoming()->GetRel(), QPoint(-10, 0));
    EXPECT_EQ(r.n->Outgoing()->GetRelD(), 0);
    EXPECT_TRUE(r.n->Outgoing()->Visible()) << "a new curve shows its handles";
    EXPECT_TRUE(r.q->Incoming()->Visible());
    r.n->SetSegmentType(stLine, r.q);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, 0));
    EXPECT_FALSE(r.n->Outgoing()->Visible());
    EXPECT_EQ(calls, (std::vector<int>{1, 10}));
}

TEST(SegmentConversion, CurveDepthLiesOnTheStraightSegmentInDepthUnits)
{
    TRing r;
    r.q->SetPosXY(QPoint(80, 0));
    r.n->SetZ(27); // 100 units; Q stands at 0
    r.n->SetSegmentType(stCurve, r.q);
    EXPECT_EQ(r.n->Outgoing()->GetRelD(), -33);
    EXPECT_EQ(r.q->Incoming()->GetRelD(), 33);
}

TEST(NodeKinds, SpitzeToSymmetrischAveragesLengthsAlongTheChord)
{
    TRing r;
    r.Handles(QPoint(10, 0), QPoint(0, 20), 7);
    r.n->SetKind(nkSymmetrisch);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(9, 12));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-9, -12));
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -7);
}

TEST(NodeKinds, SpitzeToGlattKeepsLengthsThenSymmetrischAverages)
{
    TRing r;
    r.Handles(QPoint(10, 0), QPoint(0, 20), 8);
    r.n->SetKind(nkGlatt);
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-6, -8));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(12, 16));
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -4); // -(8 * 10 / 20)
    r.n->SetKind(nkSymmetrisch);
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-9, -12));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(9, 12));
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -8);
    r.n->SetKind(nkGlatt);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(9, 12)) << "back to Glatt moves nothing";
}

TEST(NodeKinds, GlattWithZeroLengthOutgoingKeepsIncomingDepth)
{
    TRing r;
    r.Handles(QPoint(10, 0), QPoint(0, 0), 5);
    r.n->Incoming()->SetRelD(3);
    r.n->SetKind(nkGlatt);
    EXPECT_EQ(r.n->Incoming()->GetRelD(), 3);
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-6, -8));
    TBezEndPkt stray(0, 0);
    EXPECT_THROW(stray.SetKind(nkGlatt), EPlenoptraError) << "not in the ring";
}

TEST(HandleConstraints, SymmetrischMirrorsGlattKeepsPartnerLength)
{
    TRing r;
    r.n->SetKind(nkSymmetrisch);
    r.Handles(QPoint(6, 0), QPoint(5, 0), 4);
    r.n->Outgoing()->MoveRel(QPoint(-5, -8));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, -8));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(0, 8));

    r.n->SetKind(nkGlatt);
    r.Handles(QPoint(6, 0), QPoint(5, 0), 4);
    r.n->Outgoing()->MoveRel(QPoint(-5, -8));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, -8));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(0, 6));
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -3); // (4 + 0) / -8 * 6 - 0
}

TEST(HandleDepth, PartnerFollowsByKind)
{
    TRing r;
    r.n->SetKind(nkGlatt);
    r.Handles(QPoint(-8, -4), QPoint(4, 2), 0);
    r.n->Outgoing()->SetDepth(6);
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -12); // (4 + 6) * -4 / 2 - (-8)
    r.n->Outgoing()->SetRelXY(QPoint(4, 0));
    r.n->Outgoing()->SetDepth(9);
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -9);
    r.n->SetKind(nkSpitze);
    r.n->Outgoing()->AddDepth(4); // 4 / 0.27 = 14.8 units
    EXPECT_EQ(r.n->Outgoing()->GetRelD(), 24);
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -9);
}

TEST(NodeSelection, ShowsOnlyHandlesOfCurves)
{
    TRing r;
    r.n->SetSegmentType(stCurve, r.q);
    r.n->Outgoing()->SetVisible(false);
    r.n->SetSelected(true);
    EXPECT_TRUE(r.n->Outgoing()->Visible());
    EXPECT_FALSE(r.n->Incoming()->Visible()) << "the arriving segment is a line";
    r.n->SetSelected(false);
    EXPECT_FALSE(r.n->Outgoing()->Visible());
}
