#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/Liste_SelectBezierSteuerpkte.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

namespace {

// A zigzag ring of n corner nodes with straight segments: node i at
// (10 i, 0 or 20).
struct TRing {
    explicit TRing(int n)
    {
        for (int i = 0; i < n; ++i)
            PolygonListe()->AddNode(10 * i, (i % 2) * 20, i);
    }
    TBezEndPkt* operator[](int i) const { return PolygonListe()->Items(i); }
    void Select(std::initializer_list<int> indices) const
    {
        for (int i : indices)
            (*this)[i]->SetSelected(true);
    }
    TProgramObjects objects;
};

// Three nodes whose middle node N has curves on both sides.
struct TCurveRing {
    TProgramObjects objects;
    TBezEndPkt* a = PolygonListe()->AddNode(0, 0, 0);
    TBezEndPkt* n = PolygonListe()->AddNode(60, 0, 1);
    TBezEndPkt* b = PolygonListe()->AddNode(60, 60, 2);
    TBezSteuerPkt* in = n->Incoming();
    TBezSteuerPkt* out = n->Outgoing();
    TSelectStrPkt& selection = *SelectStrPktListe();
    TCurveRing()
    {
        a->SetSegmentType(stCurve, n);
        n->SetSegmentType(stCurve, b);
    }
};

} // namespace

TEST(NodeSelection, MakeReferenceExchangesTheNodeWithTheFirstWhichTheOthersAlignWith)
{
    TRing ring(5);
    ring.Select({0, 1, 2, 3}); // A B C D
    TSelect& selection = *SelectListe();
    const auto order = [&] {
        std::vector<int> indices;
        for (int i = 0; i < selection.Count(); ++i)
            indices.push_back(PolygonListe()->IndexOf(selection.Items(i)));
        return indices;
    };
    selection.MakeReference(ring[3]);
    EXPECT_EQ(order(), (std::vector<int>{3, 1, 2, 0})) << "D B C A";
    EXPECT_EQ(selection.Reference(), ring[3]);
    selection.MakeReference(ring[3]); // already first
    selection.MakeReference(ring[4]); // not selected: neither added nor moved
    EXPECT_EQ(order(), (std::vector<int>{3, 1, 2, 0}));
    EXPECT_FALSE(ring[4]->Selected());
    selection.MakeReference(ring[2]);
    EXPECT_EQ(order(), (std::vector<int>{2, 1, 3, 0})) << "C B D A";
    // The first is the reference the others align with, and the outline follows.
    selection.AlignX();
    EXPECT_EQ(QPoint(ring[0]->X(), ring[0]->Y()), QPoint(20, 0));
    EXPECT_EQ(PolygonListe()->LeftPoint(3), QPoint(20, 20));
}

TEST(SegmentChoice, NeighboursOrTheClosingPairDesignateOneSegment)
{
    TRing ring(5);
    ring.Select({4, 0});
    EXPECT_TRUE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd, 0) << "the closing segment";
    EXPECT_TRUE(SelectListe()->HasAdjacentPair());
    SelectListe()->DeselectAll();
    ring.Select({1, 3});
    EXPECT_FALSE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd, 3);
    EXPECT_FALSE(SelectListe()->HasAdjacentPair());
    ring[1]->SetSelected(false);
    ring.Select({2});
    EXPECT_TRUE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd, 3);
}

TEST(NodeDeletion, DownToTwoOrOneNodeLeavesStraightSegments)
{
    TRing ring(4);
    TBezEndPkt* a = ring[0];
    TBezEndPkt* b = ring[1];
    a->SetSegmentType(stCurve, b);
    std::vector<void*> senders;
    SelectListe()->OnChange = [&](void* sender) { senders.push_back(sender); };
    void* added = ring[2];
    ring.Select({2, 3});
    SelectListe()->DeleteSelected();
    ASSERT_EQ(PolygonListe()->Count(), 2);
    EXPECT_EQ(SelectListe()->Count(), 0);
    EXPECT_EQ(senders.front(), added);
    EXPECT_EQ(senders.back(), SelectListe());
    for (TBezEndPkt* n : {a, b}) {
        EXPECT_EQ(n->Curve(), stLine);
        EXPECT_EQ(n->Outgoing()->Curve(), stLine);
        EXPECT_EQ(n->Incoming()->GetRel(), QPoint(0, 0));
    }
    EXPECT_FALSE(PolygonListe()->IsDrawable());
    b->SetSegmentType(stCurve, a);
    b->SetSelected(true);
    SelectListe()->DeleteSelected();
    ASSERT_EQ(PolygonListe()->Count(), 1);
    EXPECT_EQ(a->Incoming()->Curve(), stLine);
    EXPECT_EQ(PolygonListe()->HighPoint(), -1);
}

TEST(SelectionStreams, EveryChangeIsSavedTheOrderRoundTripsStrayIndicesAreSkippedAndDamageRaises)
{
    TRing ring(4);
    ring.Select({3, 0});
    TMemoryStream s;
    SelectListe()->WriteToStream(s);
    EXPECT_EQ(HistoryListe()->Current().R01().SelectionStream.Data(), s.Data());
    HistoryListe()->Add(QStringLiteral("Sel"));
    EXPECT_TRUE(SelectListe()->DeselectAll());
    EXPECT_FALSE(SelectListe()->DeselectAll());
    ring.Select({2});
    SelectListe()->LoadFromEntry();
    ASSERT_EQ(SelectListe()->Count(), 2);
    EXPECT_EQ(SelectListe()->Reference(), ring[3]);
    EXPECT_EQ(SelectListe()->SegmentEnd, 0) << "the closing segment again";
    const auto read = [](std::initializer_list<qint32> integers, const char* marker) {
        TMemoryStream stored;
        for (qint32 v : integers)
            WriteInteger(stored, v);
        WriteRawString(stored, marker);
        stored.Rewind();
        SelectListe()->ReadFromStream(stored);
    };
    read({3, 9, -1, 1}, "-EOSel-"); // 9 and -1 lie outside the ring
    ASSERT_EQ(SelectListe()->Count(), 1);
    EXPECT_EQ(SelectListe()->Reference(), ring[1]);
    for (qint32 count : {0, 0x7FFFFFFF}) {
        try {
            read({count}, "-EOP-");
            FAIL();
        } catch (const ERangeError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("End of Data TSelect nicht gefunden!"));
        }
    }
}

TEST(HandleSelection, OneHandleOfACoupledNodeAtATime)
{
    TCurveRing r;
    r.in->SetSelected(true);
    r.out->SetSelected(true);
    EXPECT_EQ(r.selection.Count(), 2) << "a corner keeps both";
    r.selection.DeselectAll();
    r.n->SetKind(nkGlatt);
    r.in->SetSelected(true);
    r.out->SetSelected(true);
    EXPECT_FALSE(r.in->Selected());
    EXPECT_EQ(r.selection.Count(), 1);
    EXPECT_EQ(r.selection.Reference(), r.out);
}

TEST(HandleTransforms, ZeroingAndTurningReachBothHandlesOfASymmetrischNodeAFailedStretchNeither)
{
    TCurveRing r;
    r.n->SetKind(nkSymmetrisch);
    r.out->SetRelXY(QPoint(8, 6));
    r.in->SetRelXY(QPoint(-8, -6));
    r.out->SetSelected(true);
    r.selection.ToY();
    EXPECT_EQ(r.out->GetRel(), QPoint(8, 0));
    EXPECT_EQ(r.in->GetRel(), QPoint(-8, 0));
    EXPECT_EQ(PolygonListe()->LeftPoint(4), QPoint(68, 0));
    r.out->SetRelXY(QPoint(10, 0));
    r.in->SetRelXY(QPoint(-10, 0));
    r.selection.Transform(QPoint(70, 0), QPoint(60, 10), 0, tmRotateZ);
    EXPECT_EQ(r.out->GetRel(), QPoint(0, 10));
    EXPECT_EQ(r.in->GetRel(), QPoint(0, -10));
    // Dragging onto the node would shrink the handle through zero; the
    // rotation of the step before must not be applied again.
    r.selection.Transform(QPoint(70, 0), QPoint(60, 0), 0, tmDistance);
    EXPECT_EQ(r.out->GetRel(), QPoint(0, 10));
    EXPECT_EQ(r.in->GetRel(), QPoint(0, -10));
}
