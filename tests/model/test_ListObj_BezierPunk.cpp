#include "history/Streams.h"
#include "model/ListObj_BezierPunk.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_VisibledAnfasser.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

namespace {

TBezEndPkt* Append(int x, int y)
{
    return PolygonListe()->AddNode(x, y, PolygonListe()->Count());
}

// A ring P(0,0) -> N(50,0) -> Q(30,40): the chord from N's previous to its
// next node has direction (0.6, 0.8).
struct TKindRing {
    TProgramObjects objects;
    TBezEndPkt* p = Append(0, 0);
    TBezEndPkt* n = Append(50, 0);
    TBezEndPkt* q = Append(30, 40);
};

} // namespace

TEST(SegmentConversion, LineToCurvePutsHandlesAtThirds)
{
    TProgramObjects objects;
    TBezEndPkt* a = Append(0, 0);
    TBezEndPkt* b = Append(30, 0);
    int calls = 0;
    a->SegmentChanged = [&](TBezEndPkt* node, quint8 oldCurve, quint8 newCurve) {
        ++calls;
        EXPECT_EQ(node, a);
        EXPECT_EQ(oldCurve, stLine);
        EXPECT_EQ(newCurve, stCurve);
    };
    a->SetSegmentType(stCurve, b);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(a->Outgoing()->GetRel(), QPoint(10, 0));
    EXPECT_EQ(a->Outgoing()->GetRelD(), 0);
    EXPECT_EQ(b->Incoming()->GetRel(), QPoint(-10, 0));
    EXPECT_EQ(b->Incoming()->GetRelD(), 0);
    EXPECT_EQ(a->Curve(), stCurve);
    EXPECT_TRUE(a->Outgoing()->Visible()) << "a new curve shows its handles";
    EXPECT_TRUE(b->Incoming()->Visible());
    EXPECT_FALSE(a->Incoming()->Visible());

    a->SegmentChanged = nullptr;
    a->SetSegmentType(stLine, b);
    EXPECT_EQ(a->Outgoing()->GetRel(), QPoint(0, 0));
    EXPECT_FALSE(a->Outgoing()->Visible());
    EXPECT_EQ(b->Incoming()->Curve(), stLine);
}

TEST(SegmentConversion, CurveDepthLiesOnTheStraightSegmentInDepthUnits)
{
    TProgramObjects objects;
    TBezEndPkt* a = Append(0, 0);
    TBezEndPkt* b = Append(30, 0);
    a->SetZ(27); // 100 depth units
    a->SetSegmentType(stCurve, b);
    // A stands at 100 units, B at 0: the handles sit at 66.7 and 33.3 units.
    EXPECT_EQ(a->Outgoing()->GetRelD(), -33);
    EXPECT_EQ(b->Incoming()->GetRelD(), 33);
}

TEST(NodeKinds, SpitzeToSymmetrischAveragesLengthsAlongTheChord)
{
    TKindRing r;
    r.n->Incoming()->SetRelXY(QPoint(10, 0));
    r.n->Outgoing()->SetRelXY(QPoint(0, 20));
    r.n->Outgoing()->SetRelD(7);
    r.n->SetKind(nkSymmetrisch);
    EXPECT_EQ(r.n->Kind(), nkSymmetrisch);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(9, 12));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-9, -12));
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -7);
}

TEST(NodeKinds, SpitzeToGlattKeepsLengthsAndScalesDepth)
{
    TKindRing r;
    r.n->Incoming()->SetRelXY(QPoint(10, 0));
    r.n->Outgoing()->SetRelXY(QPoint(0, 20));
    r.n->Outgoing()->SetRelD(8);
    r.n->SetKind(nkGlatt);
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-6, -8));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(12, 16));
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -4);
}

TEST(NodeKinds, GlattWithZeroLengthOutgoingKeepsIncomingDepth)
{
    TKindRing r;
    r.n->Incoming()->SetRelXY(QPoint(10, 0));
    r.n->Incoming()->SetRelD(3);
    r.n->Outgoing()->SetRelD(5);
    r.n->SetKind(nkGlatt);
    EXPECT_EQ(r.n->Incoming()->GetRelD(), 3);
    EXPECT_TRUE(std::isfinite(r.n->Incoming()->RelD()));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-6, -8));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, 0));
}

TEST(NodeKinds, GlattToSymmetrischKeepsDirections)
{
    TKindRing r;
    r.n->Incoming()->SetRelXY(QPoint(-6, -8));
    r.n->Outgoing()->SetRelXY(QPoint(12, 16));
    r.n->Outgoing()->SetRelD(8);
    r.n->SetKind(nkGlatt); // from Spitze: re-aligns to the same values
    r.n->SetKind(nkSymmetrisch);
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-9, -12));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(9, 12));
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -8);
    // Back to Glatt moves nothing.
    r.n->SetKind(nkGlatt);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(9, 12));
}

TEST(NodeKinds, KindChangeOfANodeOutsideTheRingIsRefused)
{
    TProgramObjects objects;
    TBezEndPkt stray(0, 0);
    EXPECT_THROW(stray.SetKind(nkGlatt), EPlenoptraError);
}

TEST(HandleConstraints, SymmetrischPartnerMirrorsTheMovedHandle)
{
    TKindRing r;
    r.n->SetKind(nkSymmetrisch);
    r.n->Outgoing()->SetRelXY(QPoint(5, 0));
    r.n->Outgoing()->MoveRel(QPoint(-5, -8));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, -8));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(0, 8));
}

TEST(HandleConstraints, GlattPartnerKeepsItsLengthAndFollowsTheLine)
{
    TKindRing r;
    r.n->SetKind(nkGlatt);
    r.n->Incoming()->SetRelXY(QPoint(6, 0));
    r.n->Outgoing()->SetRelXY(QPoint(5, 0));
    r.n->Outgoing()->SetRelD(4);
    r.n->Outgoing()->MoveRel(QPoint(-5, -8));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, -8));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(0, 6));
    // (4 + 0) / -8 * 6 - 0
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -3);
}

TEST(HandleConstraints, SpitzeHandlesMoveAlone)
{
    TKindRing r;
    r.n->Incoming()->SetRelXY(QPoint(6, 1));
    r.n->Outgoing()->MoveRel(QPoint(3, 4));
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(3, 4));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(6, 1));
}

TEST(HandleDepth, PartnerFollowsByKind)
{
    TKindRing r;
    r.n->SetKind(nkGlatt);
    r.n->Outgoing()->SetRelXY(QPoint(4, 2));
    r.n->Incoming()->SetRelXY(QPoint(-8, -4));
    r.n->Outgoing()->SetDepth(6);
    // (4 + 6) * -4 / 2 - (-8)
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -12);
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
    TProgramObjects objects;
    TBezEndPkt* a = Append(0, 0);
    TBezEndPkt* b = Append(30, 0);
    a->SetSegmentType(stCurve, b);
    a->Outgoing()->SetVisible(false);
    a->SetSelected(true);
    EXPECT_TRUE(a->Outgoing()->Visible());
    EXPECT_FALSE(a->Incoming()->Visible()) << "the arriving segment is a line";
    a->SetSelected(false);
    EXPECT_FALSE(a->Outgoing()->Visible());
}

TEST(NodeMoves, CarryTheControlPointsAlong)
{
    TProgramObjects objects;
    TBezEndPkt* a = Append(10, 10);
    a->Outgoing()->SetRelXY(QPoint(5, 0));
    a->MoveXY(QPoint(3, 4));
    EXPECT_EQ(a->Outgoing()->GetX(0), 18);
    EXPECT_EQ(a->Outgoing()->GetY(), 14);
    EXPECT_EQ(a->Outgoing()->X(), 13);
    a->SetZ(5);
    EXPECT_EQ(a->Outgoing()->Z(), 5);
    EXPECT_EQ(a->Outgoing()->GetX(1), 23);
}
