#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/Liste_SelectBezier.h"
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

} // namespace

TEST(NodeSelection, FirstSelectedIsTheReferenceForAlignment)
{
    TRing ring(5);
    ring.Select({3, 1});
    EXPECT_EQ(SelectListe()->Reference(), ring[3]);
    SelectListe()->AlignX();
    EXPECT_EQ(QPoint(ring[1]->X(), ring[1]->Y()), QPoint(30, 20));
    EXPECT_EQ(PolygonListe()->LeftPoint(3), QPoint(30, 20));
    ring[3]->SetZ(7);
    SelectListe()->AlignZ();
    EXPECT_EQ(ring[1]->Z(), 7);
    SelectListe()->ZeroDepth();
    EXPECT_EQ(ring[3]->Z(), 0);
}

TEST(SegmentChoice, ClosingSegmentOfTheRing)
{
    TRing ring(5);
    ring.Select({4, 0});
    EXPECT_TRUE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd, 0);
    EXPECT_TRUE(SelectListe()->HasAdjacentPair());
}

TEST(SegmentChoice, NodesApartDesignateNoSegment)
{
    TRing ring(5);
    ring.Select({1, 3});
    EXPECT_FALSE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd, 3);
    EXPECT_FALSE(SelectListe()->HasAdjacentPair());
    ring[1]->SetSelected(false);
    ring.Select({2});
    EXPECT_TRUE(SelectListe()->IsOneSegment());
    EXPECT_EQ(SelectListe()->SegmentEnd, 3);
}

TEST(NodeDeletion, DownToTwoNodesLeavesTwoStraightSegments)
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
}

TEST(NodeDeletion, DownToOneNode)
{
    TRing ring(3);
    ring[2]->SetSegmentType(stCurve, ring[0]);
    ring.Select({1, 2});
    SelectListe()->DeleteSelected();
    ASSERT_EQ(PolygonListe()->Count(), 1);
    EXPECT_EQ(ring[0]->Incoming()->Curve(), stLine);
    EXPECT_EQ(PolygonListe()->HighPoint(), -1);
}

TEST(SelectionStreams, OrderRoundTripsAndStrayIndicesAreSkipped)
{
    TRing ring(4);
    ring.Select({2, 0});
    TMemoryStream s;
    SelectListe()->WriteToStream(s);
    EXPECT_TRUE(SelectListe()->DeselectAll());
    EXPECT_FALSE(SelectListe()->DeselectAll());
    s.Rewind();
    SelectListe()->ReadFromStream(s);
    ASSERT_EQ(SelectListe()->Count(), 2);
    EXPECT_EQ(SelectListe()->Reference(), ring[2]);

    TMemoryStream stray;
    for (qint32 v : {3, 9, -1, 1})
        WriteInteger(stray, v);
    WriteRawString(stray, "-EOSel-");
    stray.Rewind();
    SelectListe()->ReadFromStream(stray);
    ASSERT_EQ(SelectListe()->Count(), 1);
    EXPECT_EQ(SelectListe()->Reference(), ring[1]);
}

TEST(SelectionStreams, WrongMarkerAndImpossibleCountRaise)
{
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
    TRing ring(5);
    ring.Select({4, 0});
    TMemoryStream expected;
    SelectListe()->WriteToStream(expected);
    EXPECT_EQ(HistoryListe()->Current().R01().SelectionStream.Data(), expected.Data());
    HistoryListe()->Add(QStringLiteral("Sel"));
    SelectListe()->DeselectAll();
    ring.Select({2});
    SelectListe()->LoadFromEntry();
    ASSERT_EQ(SelectListe()->Count(), 2);
    EXPECT_EQ(SelectListe()->Reference(), ring[4]);
    EXPECT_EQ(SelectListe()->SegmentEnd, 0);
}
