#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
#include "model/ProgramObjects.h"

#include <gtest/gtest.h>

namespace {

// A ring of n nodes on a circle-ish path, all corners with straight segments.
struct TRing {
    explicit TRing(int n)
    {
        for (int i = 0; i < n; ++i)
            PolygonListe()->AddNode(10 * i, (i % 2) * 20, i);
    }
    TBezEndPkt* operator[](int i) const { return PolygonListe()->Items(i); }
    TProgramObjects* objects = TProgramObjects::Instance();
};

void Select(std::initializer_list<int> indices)
{
    for (int i : indices)
        PolygonListe()->Items(i)->SetSelected(true);
}

} // namespace

TEST(NodeSelection, FirstSelectedIsTheReferenceForAlignment)
{
    TProgramObjects objects;
    TRing ring(5);
    Select({3, 1});
    EXPECT_EQ(SelectListe()->Reference(), ring[3]);
    SelectListe()->AlignX();
    EXPECT_EQ(ring[1]->X(), 30);
    EXPECT_EQ(ring[1]->Y(), 20);
    EXPECT_EQ(PolygonListe()->LeftPoint(3), QPoint(30, 20));
    SelectListe()->MakeReference(ring[1]);
    EXPECT_EQ(SelectListe()->Reference(), ring[1]);
    EXPECT_EQ(SelectListe()->Items(2), nullptr);
}

TEST(NodeSelection, DepthOperations)
{
    TProgramObjects objects;
    TRing ring(3);
    Select({2, 0});
    SelectListe()->DepthStep(+1);
    EXPECT_EQ(ring[0]->Z(), 1);
    ring[2]->SetZ(7);
    SelectListe()->AlignZ();
    EXPECT_EQ(ring[0]->Z(), 7);
    SelectListe()->MoveZ(2);
    EXPECT_EQ(ring[2]->Z(), 9);
    EXPECT_EQ(PolygonListe()->RightPoint(0), QPoint(9, 0));
    SelectListe()->ZeroDepth();
    EXPECT_EQ(ring[0]->Z(), 0);
    EXPECT_EQ(ring[1]->Z(), 0);
}

TEST(SegmentChoice, ClosingSegmentOfTheRing)
{
    TProgramObjects objects;
    TRing ring(5);
    Select({4, 0});
    EXPECT_TRUE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd(), 0);
    EXPECT_TRUE(SelectListe()->HasAdjacentPair());
}

TEST(SegmentChoice, NodesApartDesignateNoSegment)
{
    TProgramObjects objects;
    TRing ring(5);
    Select({1, 3});
    EXPECT_FALSE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd(), 3);
    EXPECT_FALSE(SelectListe()->HasAdjacentPair());
    ring[1]->SetSelected(false);
    Select({2});
    EXPECT_TRUE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd(), 3);
}

TEST(SegmentChoice, AdjacentPairInReverseOrderSetsTheSegmentEnd)
{
    TProgramObjects objects;
    TRing ring(6);
    Select({0, 4, 3});
    // Pairs (0,4) and then (4,3): the second one is adjacent, seen reversed.
    EXPECT_TRUE(SelectListe()->HasAdjacentPair());
    EXPECT_EQ(SelectListe()->SegmentEnd(), 4);
    EXPECT_FALSE(SelectListe()->IsOneSegment());
}

TEST(NodeDeletion, DownToTwoNodesLeavesTwoStraightSegments)
{
    TProgramObjects objects;
    TRing ring(4);
    TBezEndPkt* a = ring[0];
    TBezEndPkt* b = ring[1];
    a->SetSegmentType(stCurve, b);
    b->SetKind(nkSpitze);
    int changes = 0;
    SelectListe()->OnChange = [&](void* sender) {
        ++changes;
        EXPECT_TRUE(sender == SelectListe() || sender == ring[2] || sender == ring[3]);
    };
    Select({2, 3});
    SelectListe()->DeleteSelected();
    ASSERT_EQ(PolygonListe()->Count(), 2);
    EXPECT_EQ(SelectListe()->Count(), 0);
    EXPECT_GE(changes, 5);
    for (TBezEndPkt* n : {a, b}) {
        EXPECT_EQ(n->Curve(), stLine);
        EXPECT_EQ(n->Incoming()->Curve(), stLine);
        EXPECT_EQ(n->Outgoing()->Curve(), stLine);
        EXPECT_EQ(n->Outgoing()->GetRel(), QPoint(0, 0));
    }
    EXPECT_FALSE(PolygonListe()->IsDrawable());
}

TEST(NodeDeletion, DownToOneNode)
{
    TProgramObjects objects;
    TRing ring(3);
    ring[2]->SetSegmentType(stCurve, ring[0]);
    Select({1, 2});
    SelectListe()->DeleteSelected();
    ASSERT_EQ(PolygonListe()->Count(), 1);
    EXPECT_EQ(ring[0]->Curve(), stLine);
    EXPECT_EQ(ring[0]->Incoming()->Curve(), stLine);
    EXPECT_EQ(PolygonListe()->HighPoint(), -1);
}

TEST(NodeSelection, CurveNodesAndMovesCarryHandles)
{
    TProgramObjects objects;
    TRing ring(3);
    ring[0]->SetSegmentType(stCurve, ring[1]);
    Select({1});
    EXPECT_FALSE(SelectListe()->HasCurveNode());
    ring[1]->SetSegmentType(stCurve, ring[2]);
    EXPECT_TRUE(SelectListe()->HasCurveNode());
    PolygonListe()->BuildPoints();
    const QPoint handle = PolygonListe()->LeftPoint(4);
    SelectListe()->MoveXY(QPoint(2, 3));
    EXPECT_EQ(PolygonListe()->LeftPoint(4), handle + QPoint(2, 3));
}

TEST(SelectionStreams, OrderAndReferenceRoundTripAndStrayIndicesAreSkipped)
{
    TProgramObjects objects;
    TRing ring(4);
    Select({2, 0});
    TMemoryStream s;
    SelectListe()->WriteToStream(s);
    EXPECT_TRUE(SelectListe()->DeselectAll());
    EXPECT_FALSE(SelectListe()->DeselectAll());
    s.Rewind();
    SelectListe()->ReadFromStream(s);
    ASSERT_EQ(SelectListe()->Count(), 2);
    EXPECT_EQ(SelectListe()->Reference(), ring[2]);

    TMemoryStream stray;
    WriteInteger(stray, 3);
    WriteInteger(stray, 9);
    WriteInteger(stray, -1);
    WriteInteger(stray, 1);
    WriteRawString(stray, "-EOSel-");
    stray.Rewind();
    SelectListe()->ReadFromStream(stray);
    ASSERT_EQ(SelectListe()->Count(), 1);
    EXPECT_EQ(SelectListe()->Reference(), ring[1]);
}

TEST(SelectionStreams, WrongMarkerAndImpossibleCountRaise)
{
    TProgramObjects objects;
    TRing ring(2);
    for (qint32 count : {0, 0x7FFFFFFF}) {
        TMemoryStream s;
        WriteInteger(s, count);
        WriteRawString(s, "-EOP-");
        s.Rewind();
        try {
            SelectListe()->ReadFromStream(s);
            FAIL();
        } catch (const ERangeError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("End of Data TSelect nicht gefunden!"));
        }
    }
}

TEST(SelectionHistory, EveryChangeIsSavedAndAnEntryRestoresIt)
{
    TProgramObjects objects;
    TRing ring(5);
    Select({4, 0});
    TMemoryStream expected;
    SelectListe()->WriteToStream(expected);
    EXPECT_EQ(HistoryListe()->Current().R01().SelectionStream.Data(), expected.Data());
    HistoryListe()->Add(QStringLiteral("Sel"));
    SelectListe()->DeselectAll();
    Select({2});
    SelectListe()->LoadFromEntry();
    ASSERT_EQ(SelectListe()->Count(), 2);
    EXPECT_EQ(SelectListe()->Reference(), ring[4]);
    EXPECT_EQ(SelectListe()->SegmentEnd(), 0);
}
