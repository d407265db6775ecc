#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

namespace {

// Three nodes whose middle node N has curves on both sides.
struct TCurveRing {
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* n = PolygonListe()->AddNode(60, 0, 1);
    TBezEndPkt* b = PolygonListe()->AddNode(60, 60, 2);
    TCurveRing()
    {
        a->SetSegmentType(stCurve, n);
        n->SetSegmentType(stCurve, b);
    }
};

} // namespace

TEST(HandleSelection, OneHandleOfACoupledNodeAtATime)
{
    TCurveRing r;
    r.n->Incoming()->SetSelected(true);
    r.n->Outgoing()->SetSelected(true);
    EXPECT_EQ(SelectStrPktListe()->Count(), 2) << "a corner keeps both";
    SelectStrPktListe()->DeselectAll();
    r.n->SetKind(nkGlatt);
    r.n->Incoming()->SetSelected(true);
    r.n->Outgoing()->SetSelected(true);
    EXPECT_FALSE(r.n->Incoming()->Selected());
    EXPECT_EQ(SelectStrPktListe()->Count(), 1);
    EXPECT_EQ(SelectStrPktListe()->Reference(), r.n->Outgoing());
}

TEST(HandleSelection, ZeroingAComponentReachesBothHandlesOfACoupledNode)
{
    TCurveRing r;
    r.n->SetKind(nkSymmetrisch);
    r.n->Outgoing()->SetRelXY(QPoint(8, 6));
    r.n->Incoming()->SetRelXY(QPoint(-8, -6));
    r.n->Outgoing()->SetSelected(true);
    SelectStrPktListe()->ToY();
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(8, 0));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(-8, 0));
    EXPECT_EQ(PolygonListe()->LeftPoint(4), QPoint(68, 0));
}

TEST(HandleSelection, AlignZEqualisesAbsoluteDepth)
{
    TCurveRing r;
    r.n->SetZ(27); // 100 units
    r.a->Outgoing()->SetRelD(10);
    r.a->Outgoing()->SetSelected(true);
    r.b->Incoming()->SetSelected(true);
    SelectStrPktListe()->AlignZ();
    // Both at 10 units absolute: B's node stands at 0 units.
    EXPECT_EQ(r.b->Incoming()->GetRelD(), 10);
    r.n->Incoming()->SetSelected(true);
    SelectStrPktListe()->AlignZ();
    EXPECT_EQ(r.n->Incoming()->GetRelD(), -90);
}

TEST(HandleTransforms, SymmetrischPartnerTurnsAlong)
{
    TCurveRing r;
    r.n->SetKind(nkSymmetrisch);
    r.n->Outgoing()->SetRelXY(QPoint(10, 0));
    r.n->Incoming()->SetRelXY(QPoint(-10, 0));
    r.n->Outgoing()->SetSelected(true);
    SelectStrPktListe()->Transform(QPoint(70, 0), QPoint(60, 10), 0, tmRotateZ);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, 10));
    EXPECT_EQ(r.n->Incoming()->GetRel(), QPoint(0, -10));
}

TEST(HandleTransforms, FailedStretchDoesNotRepeatTheLastRotation)
{
    TCurveRing r;
    r.n->Outgoing()->SetRelXY(QPoint(10, 0));
    r.n->Outgoing()->SetSelected(true);
    SelectStrPktListe()->Transform(QPoint(70, 0), QPoint(60, 10), 0, tmRotateZ);
    ASSERT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, 10));
    // Dragging onto the node would shrink the handle through zero.
    SelectStrPktListe()->Transform(QPoint(70, 0), QPoint(60, 0), 0, tmDistance);
    EXPECT_EQ(r.n->Outgoing()->GetRel(), QPoint(0, 10));
}
