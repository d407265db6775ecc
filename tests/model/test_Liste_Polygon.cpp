#include "history/History.h"
#include "history/Streams.h"
#include "model/Liste_Polygon.h"
#include "model/ProgramObjects.h"
#include "settings/Desktop_Object.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <tuple>

namespace {

TBezEndPkt* Append(int x, int y)
{
    return PolygonListe()->AddNode(x, y, PolygonListe()->Count());
}

// A ring of three with a curve, a Glatt node, depth and one selected handle.
void BuildSampleRing()
{
    TBezEndPkt* a = Append(10, 20);
    TBezEndPkt* b = Append(100, 20);
    TBezEndPkt* c = Append(50, 90);
    a->SetZ(5);
    a->SetSegmentType(stCurve, b);
    b->SetSegmentType(stCurve, c);
    b->SetKind(nkGlatt);
    b->Outgoing()->SetSelected(true);
}

QByteArray Aspect(int aspect)
{
    TMemoryStream s;
    PolygonListe()->WriteToStream(aspect, s);
    return s.Data();
}

void ExpectReadFails(int aspect, const QByteArray& bytes,
                     const QString& message = QStringLiteral("End of Data TPolygonListe nicht gefunden!"))
{
    TMemoryStream s(bytes);
    try {
        PolygonListe()->ReadFromStream(aspect, s);
        FAIL() << "the read must raise";
    } catch (const ERangeError& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

} // namespace

TEST(OutlinePoints, EachSegmentRunsFromItsStartsOutgoingToItsEndsIncomingHandleInBothPictures)
{
    TProgramObjects objects;
    struct TNodeRow {
        int x, y, z;
        QPoint in;
        int inD;
        QPoint out;
        int outD;
    };
    // Every handle distinct, so a segment that takes the wrong handle of
    // either node lands somewhere else. Depth offsets in the right picture:
    // 20 -> 5.4 -> 5, -30 -> -8.1 -> -8, 11 -> 2.97 -> 3, 40 -> 10.8 -> 11,
    // -2 -> -0.54 -> -1, 37 -> 9.99 -> 10.
    const TNodeRow nodes[] = {
        {10, 20, 4, {-7, 5}, 20, {12, -3}, -30},
        {100, 30, -6, {-15, -4}, 11, {6, 14}, 40},
        {40, 90, 0, {9, 8}, -2, {-11, -13}, 37},
    };
    for (const TNodeRow& row : nodes)
        Append(row.x, row.y)->SetZ(row.z);
    TPolygonListe& ring = *PolygonListe();
    // All three segments curves first: each conversion also lays out the
    // next node's incoming handle.
    for (int i = 0; i < 3; ++i)
        ring.Items(i)->SetSegmentType(stCurve, ring.Items((i + 1) % 3));
    for (int i = 0; i < 3; ++i) {
        TBezEndPkt* node = ring.Items(i);
        node->Incoming()->SetRelXY(nodes[i].in);
        node->Incoming()->SetRelD(nodes[i].inD);
        node->Outgoing()->SetRelXY(nodes[i].out);
        node->Outgoing()->SetRelD(nodes[i].outD);
    }
    ring.BuildPoints();
    // A, A.out, B.in, B, B.out, C.in, C, C.out, A.in, A.
    const QPoint left[] = {{10, 20}, {22, 17}, {85, 26}, {100, 30}, {106, 44},
                           {49, 98}, {40, 90}, {29, 77}, {3, 25}, {10, 20}};
    const QPoint right[] = {{14, 20}, {18, 17}, {82, 26}, {94, 30}, {111, 44},
                            {48, 98}, {40, 90}, {39, 77}, {12, 25}, {14, 20}};
    ASSERT_EQ(ring.HighPoint(), 9);
    for (int i = 0; i <= 9; ++i) {
        EXPECT_EQ(ring.LeftPoint(i), left[i]) << "left point " << i;
        EXPECT_EQ(ring.RightPoint(i), right[i]) << "right point " << i;
    }
}

TEST(OutlineEditing, AddNodeInsertsOrAppendsAndWithSelectionStraightensBothSegments)
{
    TProgramObjects objects;
    for (int i = 0; i < 4; ++i)
        Append(10 * i, i % 2 * 10);
    TPolygonListe& ring = *PolygonListe();
    TBezEndPkt* last = ring.Items(3);
    last->SetSegmentType(stCurve, ring.Items(0));
    last->SetKind(nkSymmetrisch);
    ring.Items(1)->SetSelected(true);
    TBezEndPkt* added = ring.AddNode(-5, -5, 0);
    EXPECT_EQ(ring.Items(0), added);
    EXPECT_EQ(last->Curve(), stLine) << "prev of index 0 is the last node";
    EXPECT_EQ(last->Kind(), nkSpitze);
    EXPECT_EQ(last->Outgoing()->GetRel(), QPoint(0, 0));
    EXPECT_EQ(added->Curve(), stLine);
    EXPECT_EQ(ring.LastAdded(), added);
    TBezEndPkt* appended = ring.AddNode(7, 7, 10);
    EXPECT_EQ(ring.IndexOf(appended), 5) << "beyond the end";
    EXPECT_EQ(ring.IndexOf(added->Outgoing()), -2);
    int prev = -9, next = -9;
    ring.Neighbours(added, prev, next);
    EXPECT_EQ(QPoint(prev, next), QPoint(5, 1));
    TBezEndPkt stray(0, 0);
    try {
        ring.Neighbours(&stray, prev, next);
        FAIL();
    } catch (const EPlenoptraError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("aBezPkt in TPolygonListe nicht gefunden!"));
    }
}

TEST(OutlineEditing, DeletingMiddleOfLineCurveKeepsBulge)
{
    TProgramObjects objects;
    TBezEndPkt* a = Append(0, 0);
    TBezEndPkt* n = Append(30, 10);
    TBezEndPkt* b = Append(60, 0);
    Append(30, 60);
    n->SetZ(27);
    n->SetSegmentType(stCurve, b);
    const QPoint bulgeIn = b->Incoming()->GetRel();
    PolygonListe()->DeleteNode(n);
    ASSERT_EQ(PolygonListe()->Count(), 3);
    EXPECT_EQ(a->Outgoing()->Curve(), stCurve);
    EXPECT_EQ(a->Outgoing()->GetRel(), QPoint(30, 10));
    EXPECT_EQ(a->Outgoing()->GetRelD(), 100);
    EXPECT_TRUE(a->Outgoing()->Visible());
    EXPECT_EQ(a->Curve(), stCurve) << "the node flag agrees with its handle";
    EXPECT_EQ(b->Incoming()->GetRel(), bulgeIn);
    EXPECT_EQ(PolygonListe()->LeftPoint(1), QPoint(30, 10));
    // The segment is a curve now, so making it a line really resets it.
    a->SetSegmentType(stLine, b);
    EXPECT_EQ(a->Outgoing()->GetRel(), QPoint(0, 0));
}

TEST(OutlineStreams, BothAspectsRoundTripByteForByteAndDamageKeepsTheNodesReadSoFar)
{
    QByteArray geometry, state;
    {
        TProgramObjects objects;
        BuildSampleRing();
        geometry = Aspect(0);
        state = Aspect(1);
    }
    TProgramObjects objects;
    TMemoryStream g(geometry), s(state);
    PolygonListe()->ReadFromStream(0, g);
    PolygonListe()->ReadFromStream(1, s);
    ASSERT_EQ(PolygonListe()->Count(), 3);
    EXPECT_EQ(PolygonListe()->LastAdded(), PolygonListe()->Items(2));
    EXPECT_EQ(Aspect(0), geometry);
    EXPECT_EQ(Aspect(1), state);
    // A node's own marker names the node's class.
    ExpectReadFails(0, QByteArray(geometry).replace("-EOA-", "-EOP-"), QStringLiteral("End of Data TAnfasser nicht gefunden!"));
    ExpectReadFails(0, QByteArray(geometry).replace("-EOP-", "-EOX-"));
    EXPECT_EQ(PolygonListe()->Count(), 3);
    EXPECT_EQ(PolygonListe()->HighPoint(), 9) << "points match the nodes that were read";
    PolygonListe()->DeleteNode(PolygonListe()->Items(2));
    ExpectReadFails(1, state); // three states for a ring of two
    EXPECT_EQ(PolygonListe()->Count(), 2);
    for (qint32 count : {-1, 0x7FFFFFFF, 3}) {
        TMemoryStream bytes;
        WriteInteger(bytes, count);
        WriteRawString(bytes, "-EOP-");
        ExpectReadFails(0, bytes.Data()); // 3: the bytes cannot hold three nodes
        EXPECT_EQ(PolygonListe()->Count(), 0);
    }
}

TEST(OutlineHistory, EntryRestoresWhatWasSavedStatelessAsCornersEmptyAsNoMask)
{
    TProgramObjects objects;
    BuildSampleRing();
    const QByteArray state = Aspect(1);
    PolygonListe()->SaveToCurrent();
    THistoryEintrag& entry = *HistoryListe()->Add(QStringLiteral("Punkt"));
    PolygonListe()->Clear();
    PolygonListe()->LoadFromEntry();
    EXPECT_EQ(Aspect(1), state);
    entry.R02().OutlineStateStream.Clear(); // as in entries of the first file version
    PolygonListe()->LoadFromEntry();
    TPolygonListe& ring = *PolygonListe();
    ASSERT_EQ(ring.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ring.Items(i)->Kind(), nkSpitze);
        EXPECT_EQ(ring.Items(i)->Curve(), stLine);
        EXPECT_EQ(ring.Items(i)->Outgoing()->GetRel(), QPoint(0, 0));
    }
    EXPECT_EQ(ring.Items(0)->Outgoing()->X(), 10) << "control points copy their node";
    EXPECT_EQ(ring.LeftPoint(1), QPoint(10, 20));
    entry.R01().GeometryStream.Clear(); // a step recorded before anything was stored
    PolygonListe()->LoadFromEntry();
    EXPECT_EQ(ring.Count(), 0);
    // Damage is still damage: four bytes of count and no marker.
    entry.R01().GeometryStream.SetData(QByteArray(4, '\0'));
    EXPECT_THROW(PolygonListe()->LoadFromEntry(), ERangeError);
}

TEST(MaskedPicture, PictureInsideCoverOutsideAndFramesOfTheSetWidths)
{
    TProgramObjects objects;
    // Triangle with a vertical right edge at x = 100; the row y = 100 leaves
    // it there at a right angle to the edge.
    Append(100, 20);
    Append(100, 180);
    Append(20, 100);
    TDesktopData s; // from the outline out: a gap of 4, then 3 red, 5 yellow, 6 white
    std::tie(s.DecorDistance, s.DecorWidthInside, s.DecorWidthMiddle, s.DecorWidthOutside) =
        std::tuple(4, 3, 5, 6);
    std::tie(s.DecorColorInside, s.DecorColorMiddle, s.DecorColorOutside) =
        std::tuple(0xFFu, 0xFFFFu, 0xFFFFFFu);
    QImage picture(200, 200, QImage::Format_RGB32);
    picture.fill(qRgb(0, 200, 0));
    QImage target(200, 200, QImage::Format_RGB32);
    target.fill(qRgb(50, 50, 50));
    {
        QPainter p(&target);
        PolygonListe()->DrawMaskedPicture(p, 0, target.rect(), picture, 0x00FF0000, true, s);
    }
    // Colour runs along the row from x = 60 to the right edge.
    std::vector<std::pair<QRgb, int>> runs;
    for (int x = 60; x < target.width(); ++x) {
        if (runs.empty() || runs.back().first != target.pixel(x, 100))
            runs.push_back({target.pixel(x, 100), 0});
        ++runs.back().second;
    }
    const QRgb blue = qRgb(0, 0, 255);
    const std::vector<std::pair<QRgb, int>> expected = {{qRgb(0, 200, 0), 40}, {blue, 4},
        {qRgb(255, 0, 0), 3}, {qRgb(255, 255, 0), 5}, {qRgb(255, 255, 255), 6}};
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_EQ(runs[5].first, blue) << "cover again beyond the frames";
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(runs[i].first, expected[i].first) << "run " << i;
        EXPECT_NEAR(runs[i].second, expected[i].second, 1) << "run " << i;
    }
    EXPECT_EQ(target.pixel(5, 5), blue);

    // Widths as large as a user can type: the outermost frame covers all
    // that lies outside, the picture stays inside.
    std::tie(s.DecorDistance, s.DecorWidthInside, s.DecorWidthMiddle, s.DecorWidthOutside) =
        std::tuple(0, 0, 1'500'000'000, 1'500'000'000);
    target.fill(qRgb(50, 50, 50));
    {
        QPainter p(&target);
        PolygonListe()->DrawMaskedPicture(p, 0, target.rect(), picture, 0x00FF0000, true, s);
    }
    EXPECT_EQ(target.pixel(80, 100), qRgb(0, 200, 0));
    EXPECT_EQ(target.pixel(5, 5), qRgb(255, 255, 0));
}

TEST(MaskOverlay, FlatFillLineOrInsideAndOutside)
{
    TProgramObjects objects;
    QImage target(200, 200, QImage::Format_RGB32);
    auto draw = [&] {
        target.fill(Qt::black);
        QPainter p(&target);
        PolygonListe()->DrawMaskArea(p, 0, target.rect(), 0x00FF0000, 0x0000FF00, false, TDesktopData());
    };
    Append(100, 20);
    draw();
    EXPECT_EQ(target.pixel(5, 5), qRgb(0, 255, 0));
    Append(100, 180);
    draw();
    EXPECT_EQ(target.pixel(100, 100), qRgb(0, 0, 255)) << "the straight line";
    EXPECT_EQ(target.pixel(150, 100), qRgb(0, 255, 0));
    EXPECT_FALSE(PolygonListe()->IsDrawable());
    PolygonListe()->Items(1)->SetSegmentType(stCurve, PolygonListe()->Items(0));
    EXPECT_TRUE(PolygonListe()->IsDrawable()) << "a lens-shaped area";
    PolygonListe()->Items(1)->SetSegmentType(stLine, PolygonListe()->Items(0));
    Append(20, 100);
    draw();
    EXPECT_EQ(target.pixel(60, 100), qRgb(0, 255, 0));
    EXPECT_EQ(target.pixel(150, 100), qRgb(0, 0, 255));
}
